<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>FirstPage</name>
    <message>
        <source>仪器信息</source>
        <translation>仪器信息</translation>
    </message>
    <message>
        <source>SN号：</source>
        <translation>SN号：</translation>
    </message>
    <message>
        <source>版本号：</source>
        <translation>版本号：</translation>
    </message>
    <message>
        <source>层数显示</source>
        <translation>层数显示</translation>
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
        <translation>读取测量记录</translation>
    </message>
    <message>
        <source>清除数据</source>
        <translation>清除数据</translation>
    </message>
    <message>
        <source>撤销</source>
        <translation>撤销</translation>
    </message>
    <message>
        <source>导出Excel</source>
        <translation>导出Excel</translation>
    </message>
    <message>
        <source>检测报告</source>
        <translation>检测报告</translation>
    </message>
    <message>
        <source>历史数据</source>
        <translation>历史数据</translation>
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
<context>
    <name>GaugeSession</name>
    <message>
        <source>Tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Failed to read key infomation!</source>
        <translation>读取关键信息失败!</translation>
    </message>
    <message>
        <source>The Instrument and the Software do Not Match!</source>
        <translation>仪器与软件不匹配!</translation>
    </message>
    <message>
        <source>The meter table gives this instrument the layout %1, which this program does not know: its records cannot be shown.</source>
        <translation>仪表配置为此仪器指定的界面类型%1无法识别，无法显示其记录。</translation>
    </message>
    <message>
        <source>The instrument version is too low!</source>
        <translation>仪器版本过低!</translation>
    </message>
    <message>
        <source>Failed to read unit no!</source>
        <translation>读取单位编号失败!</translation>
    </message>
    <message>
        <source>The list holds readings of another gauge or in other units and will be cleared first. Do You Want to Save the Data?</source>
        <translation>列表中的数据来自其他仪器或使用其他单位，将先清空列表，是否保存数据？</translation>
    </message>
    <message>
        <source>No gauge is connected. Connect the gauge with its USB cable and switch it on; on Linux a normal user also needs the program&apos;s udev rule (see the README).</source>
        <translation>未连接仪器。请用USB线连接仪器并开机；在Linux上普通用户还需要安装本程序的udev规则（见README）。</translation>
    </message>
    <message>
        <source>Importing data will first clear the list. Do you want to save the data?</source>
        <translation>导入数据会先清空列表，是否保存数据？</translation>
    </message>
    <message>
        <source>The unit table &apos;unitno&apos; is missing, cannot be used (too large, binary or damaged) or does not know this gauge&apos;s units: its records cannot be shown. Put a good copy beside the program or in ~/.config/Palvarin/.</source>
        <translation>单位表 'unitno' 缺失、无法使用（过大、二进制或已损坏）或其中没有此仪器的单位，无法显示记录。请将完好的单位表放在程序所在文件夹或 ~/.config/Palvarin/ 中。</translation>
    </message>
    <message>
        <source>Failed to Read Record Number！</source>
        <translation>读取记录数量失败!</translation>
    </message>
    <message>
        <source>The instrument reports %1 records, more than this program can read (at most %2).</source>
        <translation>仪器报告的记录数量为%1，超出本程序可读取的范围（最多%2条）。</translation>
    </message>
    <message>
        <source>Reading record, please wait...</source>
        <translation>正在读取记录，请等待……</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Failed to Read Record Data！</source>
        <translation>读取记录数据失败!</translation>
    </message>
    <message>
        <source>Failed to Read Record Name</source>
        <translation>读取记录名称失败!</translation>
    </message>
    <message>
        <source>The gauge was disconnected during the read; no record was added. Plug it in again and read once more.</source>
        <translation>读取过程中仪器已断开，未添加任何记录。请重新连接仪器后再读取。</translation>
    </message>
    <message>
        <source>The Instrument Settings Have Changed and Will Soon Clear the List. Do You Want to Save the Data?</source>
        <translation>仪器设置发生变更，即将清空列表，是否保存数据？</translation>
    </message>
    <message>
        <source>Clear data will clear all records. Are you sure you want to clear it?</source>
        <translation>清除数据将会清除所有的记录，是否确认清除?</translation>
    </message>
    <message>
        <source>There is nothing to export: the table is empty.</source>
        <translation>没有可导出的数据：表格为空。</translation>
    </message>
    <message>
        <source>Start a new survey file? The damaged one is kept beside it, renamed with today&apos;s date.</source>
        <translation>是否新建数据文件？损坏的文件将保留，并以今天的日期重命名。</translation>
    </message>
    <message>
        <source>A new survey file was started; the damaged one is kept as %1.</source>
        <translation>已新建数据文件；损坏的文件保留为%1。</translation>
    </message>
    <message>
        <source>Restore the %1 readings from %2, gauge %3?</source>
        <translation>是否恢复%2仪器%3的%1条测量数据？</translation>
    </message>
    <message>
        <source>Opening the saved readings will first clear the list. Do You Want to Save the Data?</source>
        <translation>打开已保存的数据会先清空列表，是否保存数据？</translation>
    </message>
</context>
<context>
    <name>StoreWords</name>
    <message>
        <source>the survey file cannot be opened or created.</source>
        <translation>无法打开或创建数据文件。</translation>
    </message>
    <message>
        <source>the survey file is damaged.</source>
        <translation>数据文件已损坏。</translation>
    </message>
    <message>
        <source>another program holds the survey file locked.</source>
        <translation>数据文件被另一个程序锁定。</translation>
    </message>
    <message>
        <source>the survey file or its folder is read-only.</source>
        <translation>数据文件或其文件夹为只读。</translation>
    </message>
    <message>
        <source>the disk is full.</source>
        <translation>磁盘已满。</translation>
    </message>
    <message>
        <source>the survey file was written by a newer version of the program; its history can only be viewed.</source>
        <translation>数据文件来自更新版本的程序，只能查看其历史。</translation>
    </message>
    <message>
        <source>writing the survey file failed.</source>
        <translation>写入数据文件失败。</translation>
    </message>
    <message>
        <source>the survey file&apos;s path is not a plain file (a folder, for instance).</source>
        <translation>数据文件的路径不是普通文件（例如是文件夹）。</translation>
    </message>
    <message>
        <source>Readings are not being kept on disk, only in the table: </source>
        <translation>测量数据不再保存到磁盘，仅保留在表格中：</translation>
    </message>
    <message>
        <source>no</source>
        <translation>否</translation>
    </message>
    <message>
        <source>all</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 / %2</translation>
    </message>
</context>
</TS>
