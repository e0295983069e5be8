<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="el" sourcelanguage="en">
<context>
    <name>OrvexCtl</name>
    <message>
        <source>no command given (try --help)</source>
        <translation>δεν δόθηκε εντολή (δοκιμάστε --help)</translation>
    </message>
    <message>
        <source>unknown command (try --help)</source>
        <translation>άγνωστη εντολή (δοκιμάστε --help)</translation>
    </message>
    <message>
        <source>this command needs the box&apos;s renderer port: give it as %1:PORT, or by name</source>
        <translation>αυτή η εντολή χρειάζεται τη θύρα αναπαραγωγής της συσκευής: δώστε τη ως %1:PORT ή δώστε το όνομα</translation>
    </message>
    <message>
        <source>no box answered the search</source>
        <translation>καμία συσκευή δεν απάντησε στην αναζήτηση</translation>
    </message>
    <message>
        <source>several boxes answered; name one: %1</source>
        <translation>απάντησαν πολλές συσκευές· ονομάστε μία: %1</translation>
    </message>
    <message>
        <source>&apos;%1&apos; matches several boxes: %2</source>
        <translation>το &apos;%1&apos; ταιριάζει σε πολλές συσκευές: %2</translation>
    </message>
    <message>
        <source>&apos;%1&apos; matches no box; boxes: %2</source>
        <translation>το &apos;%1&apos; δεν ταιριάζει σε καμία συσκευή· συσκευές: %2</translation>
    </message>
    <message>
        <source>too many arguments</source>
        <translation>πάρα πολλά ορίσματα</translation>
    </message>
    <message>
        <source>missing argument</source>
        <translation>λείπει όρισμα</translation>
    </message>
    <message>
        <source>list takes no box</source>
        <translation>η list δεν δέχεται συσκευή</translation>
    </message>
    <message>
        <source>system volume: %1</source>
        <translation>ένταση συστήματος: %1</translation>
    </message>
    <message>
        <source>DLNA volume: %1</source>
        <translation>Ένταση DLNA: %1</translation>
    </message>
    <message>
        <source>Orvex station: %1 %2</source>
        <translation>σταθμός Orvex: %1 %2</translation>
    </message>
    <message>
        <source>DLNA station: %1 %2</source>
        <translation>σταθμός DLNA: %1 %2</translation>
    </message>
    <message>
        <source>stations: %1</source>
        <translation>σταθμοί: %1</translation>
    </message>
    <message>
        <source>the volume is a whole number from 0 to 100, not &apos;%1&apos;</source>
        <translation>η ένταση είναι ακέραιος από 0 έως 100, όχι &apos;%1&apos;</translation>
    </message>
    <message>
        <source>say which player: orvex or dlna</source>
        <translation>πείτε ποια αναπαραγωγή: orvex ή dlna</translation>
    </message>
    <message>
        <source>the player is orvex or dlna, not &apos;%1&apos;</source>
        <translation>η αναπαραγωγή είναι orvex ή dlna, όχι &apos;%1&apos;</translation>
    </message>
    <message>
        <source>the box has no station %1</source>
        <translation>η συσκευή δεν έχει σταθμό %1</translation>
    </message>
    <message>
        <source>no station is named &apos;%1&apos;</source>
        <translation>κανένας σταθμός δεν λέγεται &apos;%1&apos;</translation>
    </message>
    <message>
        <source>&apos;%1&apos; names several stations: %2</source>
        <translation>το &apos;%1&apos; ονομάζει πολλούς σταθμούς: %2</translation>
    </message>
    <message>
        <source>%1 needs --yes</source>
        <translation>η %1 χρειάζεται --yes</translation>
    </message>
    <message>
        <source>Drives Orvex boxes on the local network.

Commands:
  list [--json]                       the boxes that answer the search
  status [BOX] [--json]               volumes, stations and their number
  volume [BOX] N                      the system volume, 0 to 100
  dlna-volume [BOX] N                 the DLNA volume, 0 to 100
  start orvex|dlna [BOX]              start the web radio or the DLNA renderer
  stop orvex|dlna [BOX]               stop it
  station [BOX] NAME-OR-INDEX [--dlna]  choose a station
  stations [BOX]                      the box&apos;s stations, as the window sorts them
  restart [BOX] --yes                 restart the box
  shutdown [BOX] --yes                shut the box down

BOX is a friendly name (a unique prefix is enough, letter case ignored) or an
address (ADDRESS:PORT for the commands that need the renderer port); with one box
on the network it may be left out.
Exit status: 0 done, 1 the box failed, 2 usage error, 3 no box matches.</source>
        <translation>Χειρίζεται συσκευές Orvex του τοπικού δικτύου.

Εντολές:
  list [--json]                       οι συσκευές που απαντούν στην αναζήτηση
  status [BOX] [--json]               εντάσεις, σταθμοί και το πλήθος τους
  volume [BOX] N                      η ένταση συστήματος, 0 έως 100
  dlna-volume [BOX] N                 η ένταση DLNA, 0 έως 100
  start orvex|dlna [BOX]              έναρξη του διαδικτυακού ραδιοφώνου ή της αναπαραγωγής DLNA
  stop orvex|dlna [BOX]               διακοπή τους
  station [BOX] NAME-OR-INDEX [--dlna]  επιλογή σταθμού
  stations [BOX]                      οι σταθμοί της συσκευής, όπως τους ταξινομεί το παράθυρο
  restart [BOX] --yes                 επανεκκίνηση της συσκευής
  shutdown [BOX] --yes                τερματισμός της συσκευής

BOX είναι ένα φιλικό όνομα (αρκεί ένα μοναδικό πρόθεμα, πεζά ή κεφαλαία) ή μια
διεύθυνση (ADDRESS:PORT για τις εντολές που χρειάζονται τη θύρα αναπαραγωγής)· με μία
συσκευή στο δίκτυο μπορεί να παραλειφθεί.
Κατάσταση εξόδου: 0 έγινε, 1 η συσκευή απέτυχε, 2 λάθος χρήση, 3 καμία συσκευή δεν ταιριάζει.</translation>
    </message>
    <message>
        <source>Print list and status as JSON.</source>
        <translation>Εκτύπωση της list και της status σε JSON.</translation>
    </message>
    <message>
        <source>Confirm restart and shutdown.</source>
        <translation>Επιβεβαίωση επανεκκίνησης και τερματισμού.</translation>
    </message>
    <message>
        <source>The DLNA player&apos;s station.</source>
        <translation>Ο σταθμός της αναπαραγωγής DLNA.</translation>
    </message>
    <message>
        <source>Give the action at most this long (at most 15 s).</source>
        <translation>Μέγιστη διάρκεια της ενέργειας (έως 15 s).</translation>
    </message>
    <message>
        <source>What to do; see above.</source>
        <translation>Τι να γίνει· δείτε παραπάνω.</translation>
    </message>
    <message>
        <source>--timeout takes a number of seconds above 0</source>
        <translation>το --timeout δέχεται αριθμό δευτερολέπτων πάνω από 0</translation>
    </message>
    <message>
        <source>cannot write the output: %1</source>
        <translation>η έξοδος δεν μπορεί να γραφτεί: %1</translation>
    </message>
</context>
</TS>
