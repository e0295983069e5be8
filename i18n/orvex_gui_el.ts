<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="el" sourcelanguage="en">
<context>
    <name>CookieFile</name>
    <message>
        <source>%1 is not a regular file of this user; the device page&apos;s cookies are kept for this run only.</source>
        <translation>Το %1 δεν είναι κανονικό αρχείο αυτού του χρήστη· τα cookies της σελίδας της συσκευής κρατούνται μόνο για αυτή την εκτέλεση.</translation>
    </message>
</context>
<context>
    <name>DeviceWebView</name>
    <message>
        <source>its renderer was killed</source>
        <translation>η διεργασία απόδοσής της τερματίστηκε βίαια</translation>
    </message>
    <message>
        <source>its renderer crashed</source>
        <translation>η διεργασία απόδοσής της κατέρρευσε</translation>
    </message>
    <message>
        <source>its renderer ended</source>
        <translation>η διεργασία απόδοσής της τερματίστηκε</translation>
    </message>
    <message>
        <source>The device page cannot reach its box: %1</source>
        <translation>Η σελίδα της συσκευής δεν μπορεί να φτάσει στη συσκευή της: %1</translation>
    </message>
</context>
<context>
    <name>Failure</name>
    <message>
        <source>The browser engine cannot be started: %1 is missing</source>
        <translation>Η μηχανή περιήγησης δεν μπορεί να ξεκινήσει: λείπει το %1</translation>
    </message>
</context>
<context>
    <name>MprisPlayer</name>
    <message>
        <source>Orvex Manager opens no addresses.</source>
        <translation>Το Orvex Manager δεν ανοίγει διευθύνσεις.</translation>
    </message>
    <message>
        <source>No box is selected, or its pages have not been loaded.</source>
        <translation>Δεν έχει επιλεγεί συσκευή ή οι σελίδες της δεν έχουν φορτωθεί.</translation>
    </message>
</context>
<context>
    <name>Tmain</name>
    <message>
        <source>Orvex - DLNA Manager 1.0</source>
        <translation>Orvex - Διαχείριση DLNA 1.0</translation>
    </message>
    <message>
        <source>No devices found. Please Re-scan</source>
        <translation>Δεν βρέθηκαν συσκευές. Αναζητήστε ξανά</translation>
    </message>
    <message>
        <source>Δεν βρέθηκε σύνδεση δικτύου! Η εφαρμογή θα τερματισθεί.Ανοίξτε πρώτα το WI-FI και εκκινήστε πάλι την εφαρμογή.</source>
        <translation>Δεν βρέθηκε σύνδεση δικτύου! Η εφαρμογή θα τερματισθεί. Ανοίξτε πρώτα το WI-FI και εκκινήστε πάλι την εφαρμογή.</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Ακυρώθηκε</translation>
    </message>
    <message>
        <source>Please wait. Application loading...</source>
        <translation>Παρακαλώ περιμένετε. Η εφαρμογή φορτώνει...</translation>
    </message>
    <message>
        <source>Device: </source>
        <translation>Συσκευή: </translation>
    </message>
    <message>
        <source>%1 - SSID: %2</source>
        <translation>%1 - SSID: %2</translation>
    </message>
    <message>
        <source>Found %1</source>
        <translation>Βρέθηκε: %1</translation>
    </message>
    <message>
        <source>Skipped %1 responder(s): %2</source>
        <translation>Παραλείφθηκαν %1 απαντήσεις: %2</translation>
    </message>
    <message>
        <source>Please select station</source>
        <translation>Επιλέξτε σταθμό</translation>
    </message>
    <message>
        <source>System volume: %1</source>
        <translation>Ένταση συστήματος: %1</translation>
    </message>
    <message>
        <source>DLNA volume: %1</source>
        <translation>Ένταση DLNA: %1</translation>
    </message>
    <message>
        <source>%1%2 IP: %3</source>
        <translation>%1%2 IP: %3</translation>
    </message>
    <message>
        <source>Orvex Manager V1.0</source>
        <translation>Orvex Manager V1.0</translation>
    </message>
    <message>
        <source>Waiting for the box</source>
        <translation>Αναμονή για τη συσκευή</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Ακύρωση</translation>
    </message>
    <message>
        <source>Cancel the action</source>
        <translation>Ακύρωση της ενέργειας</translation>
    </message>
    <message>
        <source>ORVEX</source>
        <translation>ORVEX</translation>
    </message>
    <message>
        <source>DLNA</source>
        <translation>DLNA</translation>
    </message>
    <message>
        <source>SET</source>
        <translation>ΡΥΘΜΙΣΕΙΣ</translation>
    </message>
    <message>
        <source>ADV</source>
        <translation>ΠΡΟΗΓΜΕΝΑ</translation>
    </message>
    <message>
        <source>WEB</source>
        <translation>WEB</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Κατάσταση</translation>
    </message>
    <message>
        <source>Start Orvex</source>
        <translation>Έναρξη Orvex</translation>
    </message>
    <message>
        <source>Stop Orvex</source>
        <translation>Διακοπή Orvex</translation>
    </message>
    <message>
        <source>System volume: 0</source>
        <translation>Ένταση συστήματος: 0</translation>
    </message>
    <message>
        <source>System volume</source>
        <translation>Ένταση συστήματος</translation>
    </message>
    <message>
        <source>Select preset web radio</source>
        <translation>Επιλογή αποθηκευμένου διαδικτυακού ραδιοφώνου</translation>
    </message>
    <message>
        <source>Web radio station</source>
        <translation>Σταθμός διαδικτυακού ραδιοφώνου</translation>
    </message>
    <message>
        <source>Start DLNA</source>
        <translation>Έναρξη DLNA</translation>
    </message>
    <message>
        <source>Stop DLNA</source>
        <translation>Διακοπή DLNA</translation>
    </message>
    <message>
        <source>DLNA stream</source>
        <translation>Ροή DLNA</translation>
    </message>
    <message>
        <source>Router IP:</source>
        <translation>Πύλη:</translation>
    </message>
    <message>
        <source>No IP found</source>
        <translation>Δεν βρέθηκε IP</translation>
    </message>
    <message>
        <source>Select Device</source>
        <translation>Επιλογή συσκευής</translation>
    </message>
    <message>
        <source>Devices</source>
        <translation>Συσκευές</translation>
    </message>
    <message>
        <source>No devices found</source>
        <translation>Δεν βρέθηκαν συσκευές</translation>
    </message>
    <message>
        <source>Restart device</source>
        <translation>Επανεκκίνηση</translation>
    </message>
    <message>
        <source>Shutdown device</source>
        <translation>Τερματισμός</translation>
    </message>
    <message>
        <source>Enable DLNA volume control</source>
        <translation>Ενεργοποίηση ελέγχου έντασης DLNA</translation>
    </message>
    <message>
        <source>DLNA volume</source>
        <translation>Ένταση DLNA</translation>
    </message>
    <message>
        <source>DLNA volume: 0</source>
        <translation>Ένταση DLNA: 0</translation>
    </message>
    <message>
        <source>Rescan for devices</source>
        <translation>Νέα αναζήτηση συσκευών</translation>
    </message>
    <message>
        <source>Search for devices</source>
        <translation>Αναζήτηση συσκευών</translation>
    </message>
    <message>
        <source>Εξοδος/exit</source>
        <translation>Έξοδος</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Σελίδες</translation>
    </message>
    <message>
        <source>Box: %1 (%2)</source>
        <translation>Συσκευή: %1 (%2)</translation>
    </message>
    <message>
        <source>none</source>
        <translation>κανένα</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>άγνωστο</translation>
    </message>
</context>
<context>
    <name>WebPage</name>
    <message>
        <source>The device&apos;s page stopped: %1. Click WEB to load it again.</source>
        <translation>Η σελίδα της συσκευής σταμάτησε: %1. Πατήστε WEB για να φορτωθεί ξανά.</translation>
    </message>
</context>
<context>
    <name>errorbox</name>
    <message>
        <source>Orvex Manager error</source>
        <translation>Σφάλμα του Orvex Manager</translation>
    </message>
</context>
</TS>
