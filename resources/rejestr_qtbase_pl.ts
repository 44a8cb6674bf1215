<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- Polish texts of the print and file dialogs that Qt's own Polish catalogue (qtbase_pl)
     leaves in English. Contexts and sources are Qt's, as its dialogs ask for them. -->
<TS version="2.1" language="pl_PL">
<context>
    <name>QPrintSettingsOutput</name>
    <message>
        <source>Pages</source>
        <translation>Strony</translation>
    </message>
    <message>
        <source>Double Sided Printing</source>
        <translation>Drukowanie dwustronne</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Wyłączone</translation>
    </message>
    <message>
        <source>Long side binding</source>
        <translation>Oprawa wzdłuż dłuższej krawędzi</translation>
    </message>
    <message>
        <source>Short side binding</source>
        <translation>Oprawa wzdłuż krótszej krawędzi</translation>
    </message>
    <message>
        <source>Specify pages or ranges separated by commas. Ranges are specified by two numbers separated by a hyphen. E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.</source>
        <translation>Podaj strony lub zakresy stron oddzielone przecinkami. Zakres to dwie liczby połączone łącznikiem. Np. 3,5-7,9 drukuje strony 3, 5, 6, 7 i 9.</translation>
    </message>
</context>
<context>
    <name>QPrintPropertiesWidget</name>
    <message>
        <source>Advanced</source>
        <translation>Zaawansowane</translation>
    </message>
    <message>
        <source>There are conflicts in some options. Please fix them.</source>
        <translation>Niektóre opcje wykluczają się wzajemnie. Popraw je.</translation>
    </message>
</context>
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Drive</source>
        <translation>Napęd</translation>
    </message>
    <message>
        <source>Folder</source>
        <comment>All other platforms</comment>
        <translation>Katalog</translation>
    </message>
</context>
</TS>
