<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>EventList</name>
    <message>
        <source>故障[%1] 解除</source>
        <translation>Fault [%1] cleared</translation>
    </message>
    <message>
        <source>故障[%1] 发生</source>
        <translation>Fault [%1] occurred</translation>
    </message>
</context>
<context>
    <name>FileTypeRegistration</name>
    <message>
        <source>已将 %1 交给注册表编辑器</source>
        <translation>%1 handed to the registry editor</translation>
    </message>
    <message>
        <source>注册表编辑器未能运行</source>
        <translation>The registry editor did not run</translation>
    </message>
    <message>
        <source>注册.tavdata文件格式失败：%1</source>
        <translation>Registering the .tavdata file type failed: %1</translation>
    </message>
    <message>
        <source>已注册.tavdata文件格式</source>
        <translation>The .tavdata file type is registered</translation>
    </message>
    <message>
        <source>无法写入 %1</source>
        <translation>Cannot write %1</translation>
    </message>
</context>
<context>
    <name>FollowTail</name>
    <message numerus="yes">
        <source>%1 已丢弃%2条时间未递增的历史记录</source>
        <translation>
            <numerusform>%1: dropped %2 history record whose time did not increase</numerusform>
            <numerusform>%1: dropped %2 history records whose time did not increase</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 正在读取新增数据...</source>
        <translation>%1: reading what was added...</translation>
    </message>
</context>
<context>
    <name>Ostrel</name>
    <message>
        <source>等待打开文件</source>
        <translation>Waiting for a file</translation>
    </message>
    <message>
        <source>截图导出为PNG</source>
        <translation>Save a screenshot as PNG</translation>
    </message>
    <message>
        <source>全屏显示</source>
        <translation>Full screen</translation>
    </message>
    <message>
        <source>折叠右侧菜单</source>
        <translation>Collapse the side panel</translation>
    </message>
    <message>
        <source>注册.tavdata文件格式</source>
        <translation>Register the .tavdata file type</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open file</translation>
    </message>
    <message>
        <source>打开.tavdata文件</source>
        <translation>Open a .tavdata file</translation>
    </message>
    <message>
        <source>保存设置</source>
        <translation>Save settings</translation>
    </message>
    <message>
        <source>保存曲线配置</source>
        <translation>Save the curve settings</translation>
    </message>
    <message>
        <source>导出数据</source>
        <translation>Export data</translation>
    </message>
    <message>
        <source>导出为CSV</source>
        <translation>Export as CSV</translation>
    </message>
    <message>
        <source>清空屏幕</source>
        <translation>Clear screen</translation>
    </message>
    <message>
        <source>清空画面中打开的曲线</source>
        <translation>Clear the curves on the screen</translation>
    </message>
    <message>
        <source>导出报告</source>
        <translation>Export report</translation>
    </message>
    <message>
        <source>导出PDF测试报告</source>
        <translation>Export a PDF test report</translation>
    </message>
    <message>
        <source>拖动</source>
        <translation>Drag</translation>
    </message>
    <message>
        <source>缩放</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>X轴</source>
        <translation>X axis</translation>
    </message>
    <message>
        <source>Y1轴</source>
        <translation>Y1 axis</translation>
    </message>
    <message>
        <source>Y2轴</source>
        <translation>Y2 axis</translation>
    </message>
    <message>
        <source>游标A</source>
        <translation>Vernier A</translation>
    </message>
    <message>
        <source>游标B</source>
        <translation>Vernier B</translation>
    </message>
    <message>
        <source> 重置</source>
        <translation> Reset</translation>
    </message>
    <message>
        <source>暗色背景</source>
        <translation>Dark background</translation>
    </message>
    <message>
        <source>实时跟随</source>
        <translation>Follow live</translation>
    </message>
    <message>
        <source>文件仍在写入时，随时读入新增的数据</source>
        <translation>Read what is added to the file while it is still being written</translation>
    </message>
    <message>
        <source>TAV水印</source>
        <translation>TAV watermark</translation>
    </message>
    <message>
        <source>显示：故障及解除</source>
        <translation>Show: faults and clearances</translation>
    </message>
    <message>
        <source>显示：系统事件</source>
        <translation>Show: system events</translation>
    </message>
    <message>
        <source>显示：用户事件</source>
        <translation>Show: user events</translation>
    </message>
    <message>
        <source>设置保存失败，无法写入 %1</source>
        <translation>Saving the settings failed: cannot write %1</translation>
    </message>
    <message>
        <source>%1 无法写入，设置已保存到 %2</source>
        <translation>Cannot write %1; the settings were saved to %2</translation>
    </message>
    <message>
        <source>%1 设置已保存</source>
        <translation>%1: settings saved</translation>
    </message>
    <message>
        <source>最近打开</source>
        <translation>Recent files</translation>
    </message>
    <message>
        <source>区间统计</source>
        <translation>Range statistics</translation>
    </message>
    <message>
        <source>温度范围</source>
        <translation>Temperature range</translation>
    </message>
    <message>
        <source>Max</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>湿度范围</source>
        <translation>Humidity range</translation>
    </message>
    <message>
        <source>网格</source>
        <translation>Grid</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Y</source>
        <translation>Y</translation>
    </message>
    <message>
        <source>时间范围</source>
        <translation>Time range</translation>
    </message>
    <message>
        <source>起</source>
        <translation>From</translation>
    </message>
    <message>
        <source>止</source>
        <translation>To</translation>
    </message>
    <message>
        <source>背景</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>选择数据</source>
        <translation>Choose a recording</translation>
    </message>
    <message>
        <source>TavData (*.tavdata);;CSV (*.csv)</source>
        <translation>TavData (*.tavdata);;CSV (*.csv)</translation>
    </message>
    <message>
        <source>读取过程滞缓，文件可能已经损坏，建议重启软件后重试。</source>
        <translation>Reading is taking very long; the file may be damaged. Restart the program and try again.</translation>
    </message>
    <message>
        <source>文件读取失败！</source>
        <translation>Reading the file failed!</translation>
    </message>
    <message>
        <source>文件读取失败！
%1</source>
        <translation>Reading the file failed!
%1</translation>
    </message>
    <message>
        <source>%1 读取完成！ %2</source>
        <translation>%1: reading finished. %2</translation>
    </message>
    <message>
        <source>%1 读取完成！</source>
        <translation>%1: reading finished.</translation>
    </message>
    <message>
        <source>%1 已存在，是否替换？</source>
        <translation>%1 already exists. Replace it?</translation>
    </message>
    <message>
        <source>导出数据-仅当前画面</source>
        <translation>Export data - the current view only</translation>
    </message>
    <message>
        <source>%1 导出完成！</source>
        <translation>%1: export finished.</translation>
    </message>
    <message>
        <source>导出截图</source>
        <translation>Save screenshot</translation>
    </message>
    <message>
        <source>Files (*.png)</source>
        <translation>Files (*.png)</translation>
    </message>
    <message>
        <source>截图保存失败</source>
        <translation>Saving the screenshot failed</translation>
    </message>
    <message>
        <source>报告导出失败！</source>
        <translation>Exporting the report failed!</translation>
    </message>
    <message>
        <source>展开右侧菜单</source>
        <translation>Expand the side panel</translation>
    </message>
</context>
<context>
    <name>ReaderMessages</name>
    <message numerus="yes">
        <source>%1 历史数据过长，只读取前%2条</source>
        <translation>
            <numerusform>%1: history too long, only the first %2 record was read</numerusform>
            <numerusform>%1: history too long, only the first %2 records were read</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 已跳过%2行：首字段不是有效时间</source>
        <translation>
            <numerusform>%1: skipped %2 line: its first field is not a valid time</numerusform>
            <numerusform>%1: skipped %2 lines: their first field is not a valid time</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 已将%2个非数字单元视为缺失值</source>
        <translation>
            <numerusform>%1: took %2 cell that is not a number as a missing value</numerusform>
            <numerusform>%1: took %2 cells that are not numbers as missing values</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 变量名称重复，已忽略后出现的同名列：%2…</source>
        <translation>%1: repeated variable names, later columns of the same name ignored: %2…</translation>
    </message>
    <message>
        <source>%1 变量名称重复，已忽略后出现的同名列：%2</source>
        <translation>%1: repeated variable names, later columns of the same name ignored: %2</translation>
    </message>
</context>
<context>
    <name>TavCsv</name>
    <message>
        <source>%1 正在打开</source>
        <translation>%1: opening</translation>
    </message>
    <message>
        <source>%1 路径错误或不可读取</source>
        <translation>%1: wrong path or not readable</translation>
    </message>
    <message>
        <source>%1 变量个数过多 %2</source>
        <translation>%1: too many variables (%2)</translation>
    </message>
    <message>
        <source>%1 数据量过大 %2行 %3列</source>
        <translation>%1: too much data: %2 rows, %3 columns</translation>
    </message>
    <message>
        <source>%1 读取完毕</source>
        <translation>%1: reading done</translation>
    </message>
    <message>
        <source>%1 导出失败</source>
        <translation>%1: export failed</translation>
    </message>
    <message>
        <source>%1 正在导出数据</source>
        <translation>%1: exporting data</translation>
    </message>
</context>
<context>
    <name>TavData</name>
    <message>
        <source>%1 正在打开</source>
        <translation>%1: opening</translation>
    </message>
    <message>
        <source>%1 路径错误或不可读取</source>
        <translation>%1: wrong path or not readable</translation>
    </message>
    <message numerus="yes">
        <source>%1 文件大小 %2</source>
        <translation>
            <numerusform>%1: file size %2 byte</numerusform>
            <numerusform>%1: file size %2 bytes</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 总览文件......</source>
        <translation>%1: surveying the file......</translation>
    </message>
    <message>
        <source>%1 开始读取......</source>
        <translation>%1: starting to read......</translation>
    </message>
    <message>
        <source>%1 正在读取</source>
        <translation>%1: reading</translation>
    </message>
    <message>
        <source>%1 读取完毕</source>
        <translation>%1: reading done</translation>
    </message>
    <message>
        <source>数据版本异常</source>
        <translation>Unexpected data version</translation>
    </message>
    <message>
        <source>变量名称结束符错误</source>
        <translation>Wrong end mark of a variable name</translation>
    </message>
    <message>
        <source>数据时间戳异常 地址%1  新数值 %2  旧数值 %3  rec_i %4</source>
        <translation>Time stamp out of order at address %1  new value %2  old value %3  rec_i %4</translation>
    </message>
    <message numerus="yes">
        <source>%1 条目过多，只读取前%n条</source>
        <translation>
            <numerusform>%1: too many entries, only the first %n was read</numerusform>
            <numerusform>%1: too many entries, only the first %n were read</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TavDrawer</name>
    <message>
        <source>配置文件有误，已使用默认值</source>
        <translation>The settings file has errors; the defaults are used</translation>
    </message>
    <message>
        <source>%1 未导出：正在读取文件，请读取完成后再导出</source>
        <translation>%1 not exported: a file is being read; export again once it is read</translation>
    </message>
    <message>
        <source>正在跟随 %1</source>
        <translation>Following %1</translation>
    </message>
    <message>
        <source>%1 已不存在，实时跟随已停止；已读取的数据保留</source>
        <translation>%1 no longer exists; the live follow stopped; the data read so far stays</translation>
    </message>
    <message>
        <source>正在跟随 %1：文件暂时无法读取，等待其再次变化。%2</source>
        <translation>Following %1: the file cannot be read for now; waiting for it to change again. %2</translation>
    </message>
    <message>
        <source>正在跟随 %1，%2 已重新读取整个文件</source>
        <translation>Following %1, %2: the whole file was read again</translation>
    </message>
    <message numerus="yes">
        <source>正在跟随 %1，%2 收到%n个新样本</source>
        <translation>
            <numerusform>Following %1, %2: %n new sample</numerusform>
            <numerusform>Following %1, %2: %n new samples</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TavLoader</name>
    <message>
        <source>%1 历史数据过长</source>
        <translation>%1: history too long</translation>
    </message>
    <message>
        <source>%1 整理历史数据...</source>
        <translation>%1: merging the history...</translation>
    </message>
    <message>
        <source>%1 历史数据长度异常 长度为%2</source>
        <translation>%1: history length out of range, length %2</translation>
    </message>
</context>
<context>
    <name>TestReport</name>
    <message>
        <source>第 %1 页 / 共 %2 页</source>
        <translation>Page %1 of %2</translation>
    </message>
    <message>
        <source>生成时间：%1</source>
        <translation>Generated: %1</translation>
    </message>
    <message>
        <source>统计区间：%1 至 %2</source>
        <translation>Statistics range: %1 to %2</translation>
    </message>
    <message>
        <source>文件信息</source>
        <translation>File information</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>区间统计</source>
        <translation>Range statistics</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>数量</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>最小</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>最小时刻</source>
        <translation>Time of min</translation>
    </message>
    <message>
        <source>最大</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>最大时刻</source>
        <translation>Time of max</translation>
    </message>
    <message>
        <source>平均</source>
        <translation>Mean</translation>
    </message>
    <message>
        <source>峰峰值</source>
        <translation>Peak-to-peak</translation>
    </message>
    <message>
        <source>标准差</source>
        <translation>Std dev</translation>
    </message>
    <message>
        <source>首值</source>
        <translation>First</translation>
    </message>
    <message>
        <source>末值</source>
        <translation>Last</translation>
    </message>
    <message>
        <source>速率(/min)</source>
        <translation>Rate (/min)</translation>
    </message>
    <message>
        <source>事件（%1）</source>
        <translation>Events (%1)</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>Text</translation>
    </message>
    <message numerus="yes">
        <source>另有 %n 条事件未列出（区间内共 %1 条）</source>
        <translation>
            <numerusform>%n more event not listed (%1 in the range)</numerusform>
            <numerusform>%n more events not listed (%1 in the range)</numerusform>
        </translation>
    </message>
    <message>
        <source>合格</source>
        <translation>Pass</translation>
    </message>
    <message>
        <source>不合格</source>
        <translation>Fail</translation>
    </message>
    <message>
        <source>没有保持段：设定值没有一段有效且不变地持续 %1 秒以上，判为不合格</source>
        <translation>No hold: the setpoint was never valid and unchanged for %1 s or longer, so the pair fails</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>结束</source>
        <translation>End</translation>
    </message>
    <message>
        <source>设定值</source>
        <translation>Setpoint</translation>
    </message>
    <message>
        <source>稳定时刻</source>
        <translation>Settled at</translation>
    </message>
    <message>
        <source>稳定用时</source>
        <translation>Settling</translation>
    </message>
    <message>
        <source>平均偏差</source>
        <translation>Mean deviation</translation>
    </message>
    <message>
        <source>波动度</source>
        <translation>Fluctuation</translation>
    </message>
    <message>
        <source>超差次数</source>
        <translation>Excursions</translation>
    </message>
    <message>
        <source>超差时长</source>
        <translation>Out of band</translation>
    </message>
    <message>
        <source>结论</source>
        <translation>Verdict</translation>
    </message>
    <message numerus="yes">
        <source>另有 %n 个保持段未列出（共 %1 个）</source>
        <translation>
            <numerusform>%n more hold not listed (%1 in all)</numerusform>
            <numerusform>%n more holds not listed (%1 in all)</numerusform>
        </translation>
    </message>
    <message>
        <source>斜坡开始</source>
        <translation>Ramp start</translation>
    </message>
    <message>
        <source>斜坡结束</source>
        <translation>Ramp end</translation>
    </message>
    <message>
        <source>起始设定</source>
        <translation>From setpoint</translation>
    </message>
    <message>
        <source>目标设定</source>
        <translation>To setpoint</translation>
    </message>
    <message>
        <source>设定速率(/min)</source>
        <translation>Programmed rate (/min)</translation>
    </message>
    <message>
        <source>实际速率(/min)</source>
        <translation>Achieved rate (/min)</translation>
    </message>
    <message>
        <source>过冲</source>
        <translation>Overshoot</translation>
    </message>
    <message numerus="yes">
        <source>另有 %n 段斜坡未列出（共 %1 段）</source>
        <translation>
            <numerusform>%n more ramp not listed (%1 in all)</numerusform>
            <numerusform>%n more ramps not listed (%1 in all)</numerusform>
        </translation>
    </message>
    <message>
        <source>容差检查</source>
        <translation>Tolerance check</translation>
    </message>
    <message>
        <source>判稳时间 %1 秒，最短保持 %2 秒</source>
        <translation>Settling time %1 s, minimum hold %2 s</translation>
    </message>
    <message>
        <source>%1 对设定值 %2，容差带 -%3 / +%4：%5</source>
        <translation>%1 against setpoint %2, band -%3 / +%4: %5</translation>
    </message>
    <message>
        <source>总结论：%1</source>
        <translation>Overall verdict: %1</translation>
    </message>
    <message>
        <source>故障</source>
        <translation>Fault</translation>
    </message>
    <message>
        <source>故障[%1] 发生</source>
        <translation>Fault [%1] occurred</translation>
    </message>
    <message>
        <source>故障解除</source>
        <translation>Fault cleared</translation>
    </message>
    <message>
        <source>故障[%1] 解除</source>
        <translation>Fault [%1] cleared</translation>
    </message>
    <message>
        <source>故障[%1] 状态%2</source>
        <translation>Fault [%1] state %2</translation>
    </message>
    <message>
        <source>系统事件</source>
        <translation>System event</translation>
    </message>
    <message>
        <source>用户事件</source>
        <translation>User event</translation>
    </message>
</context>
<context>
    <name>ViewNavigation</name>
    <message>
        <source>[%1]故障解除 %2</source>
        <translation>[%1] Fault cleared %2</translation>
    </message>
    <message>
        <source>[%1]故障发生 %2</source>
        <translation>[%1] Fault occurred %2</translation>
    </message>
</context>
<context>
    <name>VyComboBoxStyle</name>
    <message>
        <source>实</source>
        <translation>Solid</translation>
    </message>
    <message>
        <source>虚</source>
        <translation>Dashed</translation>
    </message>
</context>
<context>
    <name>VyRecentList</name>
    <message>
        <source>%1（已不存在）</source>
        <translation>%1 (gone)</translation>
    </message>
    <message>
        <source>%1 已不存在</source>
        <translation>%1 no longer exists</translation>
    </message>
    <message>
        <source>%1 已不存在，已从最近打开中移除</source>
        <translation>%1 no longer exists and was removed from the recent files</translation>
    </message>
</context>
<context>
    <name>VyTabCurve</name>
    <message>
        <source>显示</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>颜色</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>线重</source>
        <translation>Weight</translation>
    </message>
    <message>
        <source>样式</source>
        <translation>Style</translation>
    </message>
    <message>
        <source>轴</source>
        <translation>Axis</translation>
    </message>
    <message>
        <source>请选择曲线颜色</source>
        <translation>Choose the curve colour</translation>
    </message>
</context>
<context>
    <name>VyTabEvent</name>
    <message>
        <source>事件（双击跳转）</source>
        <translation>Event (double-click to go there)</translation>
    </message>
    <message>
        <source>发生时间</source>
        <translation>Time</translation>
    </message>
</context>
<context>
    <name>VyTabStats</name>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>颜色</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>最小</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>最大</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>平均</source>
        <translation>Mean</translation>
    </message>
    <message>
        <source>峰峰值</source>
        <translation>Pk-pk</translation>
    </message>
    <message>
        <source>标准差</source>
        <translation>Std dev</translation>
    </message>
    <message>
        <source>速率(/min)</source>
        <translation>Rate (/min)</translation>
    </message>
</context>
<context>
    <name>VyTabTolerance</name>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>显示容差带</source>
        <translation>Show bands</translation>
    </message>
    <message>
        <source>添加一组实测值与设定值</source>
        <translation>Add a pair of measured value and setpoint</translation>
    </message>
    <message>
        <source>删除选中的一组</source>
        <translation>Remove the selected pair</translation>
    </message>
    <message>
        <source>容差配对</source>
        <translation>Tolerance pairs</translation>
    </message>
    <message>
        <source>实测值须连续留在容差带内的时间</source>
        <translation>How long the measured value must stay in the band without a break to settle</translation>
    </message>
    <message>
        <source>设定值不变的时间达到此值才算保持段</source>
        <translation>A setpoint unchanged for this long or longer is a hold</translation>
    </message>
    <message>
        <source>判定条件</source>
        <translation>Criteria</translation>
    </message>
    <message>
        <source>稳定时间</source>
        <translation>Dwell</translation>
    </message>
    <message>
        <source>最短保持</source>
        <translation>Minimum hold</translation>
    </message>
    <message>
        <source>无容差配对</source>
        <translation>No tolerance pairs</translation>
    </message>
    <message>
        <source>检查中…</source>
        <translation>Checking…</translation>
    </message>
    <message>
        <source>总判定：合格</source>
        <translation>Overall: pass</translation>
    </message>
    <message>
        <source>总判定：不合格</source>
        <translation>Overall: fail</translation>
    </message>
</context>
<context>
    <name>VyTabVern</name>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>颜色</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>游标A</source>
        <translation>Vernier A</translation>
    </message>
    <message>
        <source>游标B</source>
        <translation>Vernier B</translation>
    </message>
    <message>
        <source>B-A</source>
        <translation>B-A</translation>
    </message>
    <message>
        <source>日期</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
</context>
<context>
    <name>VyTolerancePairs</name>
    <message>
        <source>实测值</source>
        <translation>Measured</translation>
    </message>
    <message>
        <source>设定值</source>
        <translation>Setpoint</translation>
    </message>
    <message>
        <source>下偏差</source>
        <translation>Below</translation>
    </message>
    <message>
        <source>上偏差</source>
        <translation>Above</translation>
    </message>
</context>
<context>
    <name>VyToleranceResults</name>
    <message>
        <source>项目（双击跳转）</source>
        <translation>Item (double-click to go there)</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>合格</source>
        <translation>Pass</translation>
    </message>
    <message>
        <source>不合格</source>
        <translation>Fail</translation>
    </message>
    <message>
        <source>%1 / %2</source>
        <translation>%1 / %2</translation>
    </message>
    <message>
        <source>-%1 / +%2</source>
        <translation>-%1 / +%2</translation>
    </message>
    <message>
        <source>%1 / %2，容差带 %3</source>
        <translation>%1 / %2, band %3</translation>
    </message>
    <message>
        <source>容差带</source>
        <translation>Band</translation>
    </message>
    <message>
        <source>%1：设定值无有效保持段</source>
        <translation>%1: the setpoint has no valid hold</translation>
    </message>
    <message>
        <source>保持 %1：设定 %2</source>
        <translation>Hold %1: setpoint %2</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>结束</source>
        <translation>End</translation>
    </message>
    <message>
        <source>稳定时间</source>
        <translation>Settling time</translation>
    </message>
    <message>
        <source>未稳定</source>
        <translation>Not settled</translation>
    </message>
    <message>
        <source>波动度</source>
        <translation>Fluctuation</translation>
    </message>
    <message>
        <source>偏差</source>
        <translation>Deviation</translation>
    </message>
    <message>
        <source>无数据</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>超差次数</source>
        <translation>Excursions</translation>
    </message>
    <message>
        <source>超差时间</source>
        <translation>Time out of band</translation>
    </message>
    <message>
        <source>超差 %1</source>
        <translation>Excursion %1</translation>
    </message>
    <message>
        <source>%1 至 %2，峰值 %3</source>
        <translation>%1 to %2, peak %3</translation>
    </message>
    <message>
        <source>升降 %1：%2 → %3</source>
        <translation>Ramp %1: %2 → %3</translation>
    </message>
    <message>
        <source>%1 /min</source>
        <translation>%1 /min</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>设定速率</source>
        <translation>Programmed rate</translation>
    </message>
    <message>
        <source>实际速率</source>
        <translation>Achieved rate</translation>
    </message>
    <message>
        <source>过冲</source>
        <translation>Overshoot</translation>
    </message>
</context>
<context>
    <name>WindowShortcuts</name>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
</context>
</TS>
