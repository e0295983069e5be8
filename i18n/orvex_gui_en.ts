<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>CookieFile</name>
    <message>
        <source>%1 is not a regular file of this user; the device page&apos;s cookies are kept for this run only.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DeviceWebView</name>
    <message>
        <source>its renderer was killed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its renderer crashed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its renderer ended</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The device page cannot reach its box: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Failure</name>
    <message>
        <source>The browser engine cannot be started: %1 is missing</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MprisPlayer</name>
    <message>
        <source>Orvex Manager opens no addresses.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No box is selected, or its pages have not been loaded.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Tmain</name>
    <message>
        <source>Orvex - DLNA Manager 1.0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No devices found. Please Re-scan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Δεν βρέθηκε σύνδεση δικτύου! Η εφαρμογή θα τερματισθεί.Ανοίξτε πρώτα το WI-FI και εκκινήστε πάλι την εφαρμογή.</source>
        <translation>No network connection found! The application will close. Turn on Wi-Fi first and start the application again.</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please wait. Application loading...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 - SSID: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Found %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skipped %1 responder(s): %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select station</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System volume: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DLNA volume: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1%2 IP: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Orvex Manager V1.0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Waiting for the box</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel the action</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ORVEX</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DLNA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SET</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ADV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WEB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start Orvex</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop Orvex</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System volume: 0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select preset web radio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Web radio station</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start DLNA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop DLNA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DLNA stream</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Router IP:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No IP found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Devices</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No devices found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restart device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shutdown device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable DLNA volume control</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DLNA volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DLNA volume: 0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rescan for devices</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search for devices</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Εξοδος/exit</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Box: %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>none</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>WebPage</name>
    <message>
        <source>The device&apos;s page stopped: %1. Click WEB to load it again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>errorbox</name>
    <message>
        <source>Orvex Manager error</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
