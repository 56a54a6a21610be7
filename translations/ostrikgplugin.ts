<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>OstrikgPlugin</name>
    <message>
        <location filename="../plugin/ostrikgplugin.cpp" line="+39"/>
        <source>Road networks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../network/binding.cpp" line="+55"/>
        <source>Duplicate granule %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Error &apos;Project::object&apos; metacall</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Project not contains %1 object</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../network/loading.cpp" line="+36"/>
        <source>File %1 not exists</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Adding layer &apos;%1&apos; failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Routes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+7"/>
        <location line="+25"/>
        <source>Error loading network %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-25"/>
        <source>no map scene</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+20"/>
        <source>Loading network %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+41"/>
        <source>Network %1 loaded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../network/ostrikrutetreeitem.cpp" line="+59"/>
        <source>Route</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../network/visiblecheck.cpp" line="+19"/>
        <source>Check for visible granules</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../trafficlight/groupstate.cpp" line="+122"/>
        <source>Request for current state of groups</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../trafficlight/subscription.cpp" line="+25"/>
        <source>Set granule %1 processing to %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+13"/>
        <location line="+31"/>
        <source>Error get event mask for object %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-27"/>
        <source>Set event mask for object %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Event mask for object %1 already vaild</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Clear event mask for object %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SettingDialog</name>
    <message>
        <location filename="../settings/settingdialog.ui"/>
        <source>Settings for &apos;Ostrik&apos; plugin</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location/>
        <source>Zoom for visibility:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location/>
        <source>Logging level:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location/>
        <source>Errors</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location/>
        <source>Warnings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location/>
        <source>Informations</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location/>
        <source>Show changes for signal groups</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location/>
        <source>Layers visibility:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location/>
        <source>visible</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location/>
        <source>name</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
