<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="el" sourcelanguage="en">
<context>
    <name>DeviceSession</name>
    <message>
        <source>Boxes that are switched on later are listed at the next search only: UDP port 1900 cannot be used (%1).</source>
        <translation>Οι συσκευές που ανοίγουν αργότερα εμφανίζονται μόνο στην επόμενη αναζήτηση: η θύρα UDP 1900 δεν μπορεί να χρησιμοποιηθεί (%1).</translation>
    </message>
</context>
<context>
    <name>Failure</name>
    <message>
        <source>Unknown failure</source>
        <translation>Άγνωστο σφάλμα</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Ακυρώθηκε</translation>
    </message>
    <message>
        <source>List index out of bounds (%1)</source>
        <translation>Δείκτης λίστας εκτός ορίων (%1)</translation>
    </message>
    <message>
        <source>The device at %1 lists more than %2 stations</source>
        <translation>Η συσκευή στο %1 έχει περισσότερους από %2 σταθμούς</translation>
    </message>
    <message>
        <source>Host not found: %1 (%2)</source>
        <translation>Ο υπολογιστής δεν βρέθηκε: %1 (%2)</translation>
    </message>
    <message>
        <source>%1 is not the address of a device on the network</source>
        <translation>Το %1 δεν είναι διεύθυνση συσκευής του δικτύου</translation>
    </message>
    <message>
        <source>Invalid URL: &apos;%1&apos;</source>
        <translation>Μη έγκυρη διεύθυνση URL: &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Invalid port in URL: &apos;%1&apos;</source>
        <translation>Μη έγκυρη θύρα στη διεύθυνση URL: &apos;%1&apos;</translation>
    </message>
    <message>
        <source>The request to %1 was not sent: its address holds a control character</source>
        <translation>Το αίτημα προς %1 δεν στάλθηκε: η διεύθυνσή του περιέχει χαρακτήρα ελέγχου</translation>
    </message>
    <message>
        <source>Connection Closed Gracefully.</source>
        <translation>Η σύνδεση έκλεισε κανονικά.</translation>
    </message>
    <message>
        <source>Invalid HTTP reply: %1</source>
        <translation>Μη έγκυρη απάντηση HTTP: %1</translation>
    </message>
    <message>
        <source>The reply is larger than %1.</source>
        <translation>Η απάντηση είναι μεγαλύτερη από %1.</translation>
    </message>
    <message>
        <source>bad status line</source>
        <translation>λανθασμένη γραμμή κατάστασης</translation>
    </message>
    <message>
        <source>incomplete head</source>
        <translation>ελλιπής κεφαλίδα</translation>
    </message>
    <message>
        <source>more than %1 interim replies</source>
        <translation>περισσότερες από %1 ενδιάμεσες απαντήσεις</translation>
    </message>
    <message>
        <source>The reply&apos;s header block is larger than %1.</source>
        <translation>Οι κεφαλίδες της απάντησης είναι μεγαλύτερες από %1.</translation>
    </message>
    <message>
        <source>The reply&apos;s chunk line is longer than %1.</source>
        <translation>Η γραμμή τμήματος της απάντησης είναι μεγαλύτερη από %1.</translation>
    </message>
    <message>
        <source>bad chunk size</source>
        <translation>λανθασμένο μέγεθος τμήματος</translation>
    </message>
    <message>
        <source>Invalid HTTP reply: bad chunk</source>
        <translation>Μη έγκυρη απάντηση HTTP: λανθασμένο τμήμα</translation>
    </message>
    <message>
        <source>bad chunk</source>
        <translation>λανθασμένο τμήμα</translation>
    </message>
    <message>
        <source>The reply&apos;s trailer is larger than %1.</source>
        <translation>Οι τελικές κεφαλίδες της απάντησης είναι μεγαλύτερες από %1.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>Το &apos;%1&apos; δεν είναι έγκυρος ακέραιος αριθμός</translation>
    </message>
    <message>
        <source>The element &apos;%1&apos; of the device description holds more than one text.</source>
        <translation>Το στοιχείο &apos;%1&apos; της περιγραφής της συσκευής έχει περισσότερα από ένα κείμενα.</translation>
    </message>
    <message>
        <source>The device description nests its elements deeper than %1 levels.</source>
        <translation>Η περιγραφή της συσκευής εμφωλεύει τα στοιχεία της βαθύτερα από %1 επίπεδα.</translation>
    </message>
    <message>
        <source>The device description is not valid XML: %1 (line %2, column %3)</source>
        <translation>Η περιγραφή της συσκευής δεν είναι έγκυρο XML: %1 (γραμμή %2, στήλη %3)</translation>
    </message>
    <message>
        <source>The device description has no &apos;device&apos; element.</source>
        <translation>Η περιγραφή της συσκευής δεν έχει στοιχείο &apos;device&apos;.</translation>
    </message>
    <message>
        <source>The device description has no &apos;URLBase&apos; element.</source>
        <translation>Η περιγραφή της συσκευής δεν έχει στοιχείο &apos;URLBase&apos;.</translation>
    </message>
    <message>
        <source>The device description&apos;s &apos;URLBase&apos; is empty.</source>
        <translation>Το &apos;URLBase&apos; της περιγραφής της συσκευής είναι κενό.</translation>
    </message>
    <message>
        <source>The reply from %1 has no LOCATION line</source>
        <translation>Η απάντηση από %1 δεν έχει γραμμή LOCATION</translation>
    </message>
    <message>
        <source>The device description of %1 is larger than 1 MiB</source>
        <translation>Η περιγραφή της συσκευής %1 είναι μεγαλύτερη από 1 MiB</translation>
    </message>
    <message>
        <source>Socket Error # %1</source>
        <translation>Σφάλμα υποδοχής # %1</translation>
    </message>
    <message>
        <source>The LOCATION names %1, another host than the one that sent it</source>
        <translation>Το LOCATION δείχνει το %1, άλλον υπολογιστή από αυτόν που το έστειλε</translation>
    </message>
    <message>
        <source>%1 sent a reply larger than %2 bytes</source>
        <translation>Η %1 έστειλε απάντηση μεγαλύτερη από %2 byte</translation>
    </message>
</context>
</TS>
