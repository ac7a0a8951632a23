<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>FirstPage</name>
    <message>
        <source>仪器信息</source>
        <translation>Instrument Information</translation>
    </message>
    <message>
        <source>SN号：</source>
        <translation>SN:</translation>
    </message>
    <message>
        <source>版本号：</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>层数显示</source>
        <translation>Layers Shown</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <source>读取测量记录</source>
        <translation>Read Records</translation>
    </message>
    <message>
        <source>清除数据</source>
        <translation>Clear Data</translation>
    </message>
    <message>
        <source>撤销</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>导出Excel</source>
        <translation>Export Excel</translation>
    </message>
    <message>
        <source>检测报告</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>历史数据</source>
        <translation>History</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>中文</translation>
    </message>
</context>
</TS>
