<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AnalysisWords</name>
    <message>
        <source>gauge %1 (%2)</source>
        <translation>仪器 %1（%2）</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1，%2</translation>
    </message>
    <message>
        <source>The surveys come from %1 gauges: %2. A difference between gauges reads as wear.</source>
        <translation>这些测量来自 %1 台仪器：%2。仪器之间的差异会被当作减薄。</translation>
    </message>
    <message>
        <source>%1; %2</source>
        <translation>%1；%2</translation>
    </message>
    <message>
        <source>Limits must be numbers.</source>
        <translation>限值必须是数字。</translation>
    </message>
    <message>
        <source>Limits must be numbers, for example 5.00.</source>
        <translation>限值必须是数字，例如 5.00。</translation>
    </message>
    <message>
        <source>Enter the nominal and the minimum thickness.</source>
        <translation>请输入公称厚度和最小厚度。</translation>
    </message>
    <message>
        <source>Limits cannot be negative.</source>
        <translation>限值不能为负数。</translation>
    </message>
    <message>
        <source>Limits cannot exceed %1.</source>
        <translation>限值不能超过 %1。</translation>
    </message>
    <message>
        <source>The nominal thickness must be above zero.</source>
        <translation>公称厚度必须大于零。</translation>
    </message>
    <message>
        <source>The minimum thickness is above the nominal thickness.</source>
        <translation>最小厚度大于公称厚度。</translation>
    </message>
    <message>
        <source>The maximum thickness is below the nominal thickness.</source>
        <translation>最大厚度小于公称厚度。</translation>
    </message>
    <message>
        <source>The tolerance must be smaller than the nominal thickness.</source>
        <translation>公差必须小于公称厚度。</translation>
    </message>
    <message>
        <source>Choose at least two surveys to compare.</source>
        <translation>请至少选择两次测量进行比较。</translation>
    </message>
    <message>
        <source>The longest inspection interval must be a number of years above zero.</source>
        <translation>最长检测间隔必须是大于零的年数。</translation>
    </message>
    <message>
        <source>The minimum thickness must be a number from 0 to %1.</source>
        <translation>最小厚度必须是 0 到 %1 之间的数字。</translation>
    </message>
    <message>
        <source>The survey of %1 is in %2 and the one of %3 in %4: these units cannot be compared.</source>
        <translation>%1 的测量单位为 %2，%3 的测量单位为 %4：这两种单位无法比较。</translation>
    </message>
    <message>
        <source>The minimum thickness is in %1, the surveys in %2: these units cannot be compared.</source>
        <translation>最小厚度的单位为 %1，测量单位为 %2：这两种单位无法比较。</translation>
    </message>
    <message>
        <source>The longest interval is taken as %1 years: no inspection is planned further ahead.</source>
        <translation>最长检测间隔按 %1 年计：不安排更远的检测。</translation>
    </message>
    <message>
        <source>%1 measurements the gauge sent by itself in the survey of %2 have no record number (no place in its memory) and are not compared.</source>
        <translation>%2 的测量中有 %1 个由仪器主动发送的读数没有记录编号（不在仪器存储中），未参与比较。</translation>
    </message>
    <message>
        <source>The survey of %1 was converted from %2 to %3.</source>
        <translation>%1 的测量已从 %2 换算为 %3。</translation>
    </message>
    <message>
        <source>The surveys of %1 and %2 were taken less than a day apart: no rate is computed between them.</source>
        <translation>%1 与 %2 的测量相隔不到一天：两者之间不计算腐蚀速率。</translation>
    </message>
    <message>
        <source>Occurs more than once in the survey of %1; its first reading is used.</source>
        <translation>在 %1 的测量中出现多次；采用第一次读数。</translation>
    </message>
    <message>
        <source>No reading in any survey.</source>
        <translation>所有测量中均无读数。</translation>
    </message>
    <message>
        <source>Read in %1 of the surveys only: no rate.</source>
        <translation>仅在 %1 次测量中有读数：无腐蚀速率。</translation>
    </message>
    <message>
        <source>No reading in %1 of the surveys.</source>
        <translation>%1 次测量中无读数。</translation>
    </message>
    <message>
        <source>Not read in the newest survey: remaining life and next date count from %1.</source>
        <translation>最新一次测量中无读数：剩余寿命和下次检测日期从 %1 起算。</translation>
    </message>
    <message>
        <source>Its readings were taken less than a day apart: no rate.</source>
        <translation>各次读数相隔不到一天：无腐蚀速率。</translation>
    </message>
    <message>
        <source>The last two readings were taken less than a day apart: no short-term rate.</source>
        <translation>最后两次读数相隔不到一天：无短期腐蚀速率。</translation>
    </message>
    <message>
        <source>Thicker than before (measurement scatter?): that rate is shown as zero.</source>
        <translation>比之前更厚（测量误差？）：该腐蚀速率按零显示。</translation>
    </message>
    <message>
        <source>Under the minimum thickness.</source>
        <translation>低于最小厚度。</translation>
    </message>
    <message>
        <source>Less life left than the longest interval.</source>
        <translation>剩余寿命短于最长检测间隔。</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1%2</translation>
    </message>
    <message>
        <source>The design input %1 is missing.</source>
        <translation>缺少设计参数 %1。</translation>
    </message>
    <message>
        <source>The design input %1 cannot be negative.</source>
        <translation>设计参数 %1 不能为负数。</translation>
    </message>
    <message>
        <source>The design input %1 must be a number above %2.</source>
        <translation>设计参数 %1 必须是大于 %2 的数字。</translation>
    </message>
    <message>
        <source>The design input %1 must lie between %2 and %3.</source>
        <translation>设计参数 %1 必须在 %2 到 %3 之间。</translation>
    </message>
    <message>
        <source>The pressure design thickness %1 %3 is not below D/6 = %2 %3: the straight pipe formula does not hold for so thick a wall.</source>
        <translation>压力设计厚度 %1 %3 不小于 D/6 = %2 %3：直管公式不适用于这么厚的管壁。</translation>
    </message>
    <message>
        <source>P/(S·E) is %1, above %2: the formula does not hold at so high a pressure.</source>
        <translation>P/(S·E) 为 %1，大于 %2：该公式不适用于这么高的压力。</translation>
    </message>
    <message>
        <source>The shell thickness %1 %3 is above R/2 = %2 %3: the formula does not hold for so thick a shell.</source>
        <translation>壳体厚度 %1 %3 大于 R/2 = %2 %3：该公式不适用于这么厚的壳体。</translation>
    </message>
    <message>
        <source>The readings are in %1: a required thickness is computed in mm or inch only.</source>
        <translation>读数单位为 %1：要求厚度只能按 mm 或 inch 计算。</translation>
    </message>
    <message>
        <source>Y = %1, from ASME B31.3 Table 304.1.1 at %2 °C.</source>
        <translation>Y = %1，按 ASME B31.3 表 304.1.1 在 %2 °C 下取值。</translation>
    </message>
    <message>
        <source>The least shell thickness API 653 allows, %1 %2, governs.</source>
        <translation>API 653 允许的最小壁板厚度 %1 %2 起控制作用。</translation>
    </message>
    <message>
        <source>No reading counts: no rate.</source>
        <translation>没有计入的读数：无腐蚀速率。</translation>
    </message>
    <message>
        <source>Only one reading counts: no rate.</source>
        <translation>只有一个计入的读数：无腐蚀速率。</translation>
    </message>
    <message>
        <source>The last two readings counted are %1 years apart, less than half a year: no short-term rate.</source>
        <translation>最后两次计入的读数相隔 %1 年，不足半年：无短期腐蚀速率。</translation>
    </message>
    <message>
        <source>%1 readings count: a fitted rate needs three or more on different dates.</source>
        <translation>计入的读数为 %1 个：回归腐蚀速率需要至少三个不同日期的读数。</translation>
    </message>
    <message>
        <source>Thicker than before (measurement scatter?): the %1 rate is taken as zero.</source>
        <translation>比之前更厚（测量误差？）：%1腐蚀速率按零计。</translation>
    </message>
    <message>
        <source>The %1 rate governs (rule: %2).</source>
        <translation>控制腐蚀速率：%1（规则：%2）。</translation>
    </message>
    <message>
        <source>No required thickness: no remaining life and no next date.</source>
        <translation>无要求厚度：无剩余寿命和下次检测日期。</translation>
    </message>
    <message>
        <source>Readings marked and not yet decided: %1.</source>
        <translation>已标记但尚未处理的读数：%1 个。</translation>
    </message>
    <message>
        <source>Readings left out of the rates: %1.</source>
        <translation>未计入腐蚀速率的读数：%1 个。</translation>
    </message>
    <message>
        <source>Verify</source>
        <translation>待核实</translation>
    </message>
    <message>
        <source>Excluded</source>
        <translation>已排除</translation>
    </message>
    <message>
        <source>Outlier</source>
        <translation>离群值</translation>
    </message>
    <message>
        <source>Counted</source>
        <translation>计入</translation>
    </message>
    <message>
        <source>Left out</source>
        <translation>剔除</translation>
    </message>
    <message>
        <source>As marked</source>
        <translation>按标记</translation>
    </message>
    <message>
        <source>Long-term rate</source>
        <translation>长期腐蚀速率</translation>
    </message>
    <message>
        <source>Short-term rate</source>
        <translation>短期腐蚀速率</translation>
    </message>
    <message>
        <source>Fitted rate</source>
        <translation>回归腐蚀速率</translation>
    </message>
    <message>
        <source>Fitted rate, upper 95 % bound</source>
        <translation>回归腐蚀速率的 95% 置信上限</translation>
    </message>
    <message>
        <source>Largest of long-term, short-term and fitted</source>
        <translation>长期、短期和回归腐蚀速率中的最大者</translation>
    </message>
    <message>
        <source>Larger of long-term and short-term</source>
        <translation>长期与短期腐蚀速率中的较大者</translation>
    </message>
    <message>
        <source>API 570 class 2 (10 years)</source>
        <translation>API 570 第 2 级管道（10 年）</translation>
    </message>
    <message>
        <source>API 570 class 3 (10 years)</source>
        <translation>API 570 第 3 级管道（10 年）</translation>
    </message>
    <message>
        <source>API 510 (10 years)</source>
        <translation>API 510（10 年）</translation>
    </message>
    <message>
        <source>A number of years</source>
        <translation>指定年数</translation>
    </message>
    <message>
        <source>API 570 class 1 (5 years)</source>
        <translation>API 570 第 1 级管道（5 年）</translation>
    </message>
    <message>
        <source>long-term</source>
        <translation>长期</translation>
    </message>
    <message>
        <source>short-term</source>
        <translation>短期</translation>
    </message>
    <message>
        <source>fitted</source>
        <translation>回归</translation>
    </message>
    <message>
        <source>fitted (upper 95 % bound)</source>
        <translation>回归（95% 置信上限）</translation>
    </message>
    <message>
        <source>pressure design</source>
        <translation>压力设计</translation>
    </message>
    <message>
        <source>structural minimum</source>
        <translation>最小结构厚度</translation>
    </message>
    <message>
        <source>Straight pipe, %1</source>
        <translation>直管，%1</translation>
    </message>
    <message>
        <source>Cylindrical shell, %1</source>
        <translation>圆筒壳体，%1</translation>
    </message>
    <message>
        <source>Tank shell course, %1</source>
        <translation>储罐壁板圈，%1</translation>
    </message>
    <message>
        <source>No pressure design (structural minimum only)</source>
        <translation>无压力设计（仅最小结构厚度）</translation>
    </message>
    <message>
        <source>psi</source>
        <translation>psi</translation>
    </message>
    <message>
        <source>bar</source>
        <translation>bar</translation>
    </message>
    <message>
        <source>MPa</source>
        <translation>MPa</translation>
    </message>
    <message>
        <source>inch</source>
        <translation>inch</translation>
    </message>
    <message>
        <source>m</source>
        <translation>m</translation>
    </message>
    <message>
        <source>ft</source>
        <translation>ft</translation>
    </message>
    <message>
        <source>mm</source>
        <translation>mm</translation>
    </message>
    <message>
        <source>°F</source>
        <translation>°F</translation>
    </message>
    <message>
        <source>°C</source>
        <translation>°C</translation>
    </message>
    <message>
        <source>Austenitic steels</source>
        <translation>奥氏体钢</translation>
    </message>
    <message>
        <source>Other ductile metals</source>
        <translation>其他韧性金属</translation>
    </message>
    <message>
        <source>Cast iron</source>
        <translation>铸铁</translation>
    </message>
    <message>
        <source>Ferritic steels</source>
        <translation>铁素体钢</translation>
    </message>
    <message>
        <source>No estimate of the thinnest spot: a value or an area is not a number.</source>
        <translation>无法估计最薄处：某个数值或面积不是数字。</translation>
    </message>
    <message>
        <source>No estimate of the thinnest spot: %1 sample blocks, at least %2 are needed.</source>
        <translation>无法估计最薄处：只有 %1 个抽样区块，至少需要 %2 个。</translation>
    </message>
    <message>
        <source>No estimate of the thinnest spot: the sample block area must be above zero.</source>
        <translation>无法估计最薄处：抽样区块面积必须大于零。</translation>
    </message>
    <message>
        <source>No estimate of the thinnest spot: the total area %2 is not larger than one sample block&apos;s, %1.</source>
        <translation>无法估计最薄处：总面积 %2 不大于单个抽样区块的面积 %1。</translation>
    </message>
    <message>
        <source>No estimate of the thinnest spot: every sample block has the same deepest loss, so there is no spread to fit.</source>
        <translation>无法估计最薄处：所有抽样区块的最大减薄量相同，没有离散度可供拟合。</translation>
    </message>
    <message>
        <source>No estimate of the thinnest spot: the deepest losses do not follow an extreme-value law (r = %1, below %2).</source>
        <translation>无法估计最薄处：最大减薄量不符合极值分布（r = %1，低于 %2）。</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>under minimum</source>
        <translation>低于最小厚度</translation>
    </message>
    <message>
        <source>re-measure: thicker than before</source>
        <translation>请复测：比上次更厚</translation>
    </message>
    <message>
        <source>re-measure: unexpected loss</source>
        <translation>请复测：意外减薄</translation>
    </message>
    <message>
        <source>no value: out of range</source>
        <translation>无读数：超出量程</translation>
    </message>
    <message>
        <source>No estimate of the thinnest spot: a total area in square metres needs the grid&apos;s cell pitch.</source>
        <translation>无法估计最薄点：以平方米给出的总面积需要网格的单元间距。</translation>
    </message>
</context>
<context>
    <name>AssetForm</name>
    <message>
        <source>New Asset</source>
        <translation>新建资产</translation>
    </message>
    <message>
        <source>(top level)</source>
        <translation>（顶层）</translation>
    </message>
    <message>
        <source>Tag, unique under its parent</source>
        <translation>位号，同一上级下唯一</translation>
    </message>
    <message>
        <source>Under:</source>
        <translation>上级：</translation>
    </message>
    <message>
        <source>Kind:</source>
        <translation>类型：</translation>
    </message>
    <message>
        <source>Tag:</source>
        <translation>位号：</translation>
    </message>
    <message>
        <source>Description:</source>
        <translation>描述：</translation>
    </message>
</context>
<context>
    <name>AssetPolicyForm</name>
    <message>
        <source>Judging the CMLs of %1</source>
        <translation>%1 下测点的评定规则</translation>
    </message>
    <message>
        <source>As the asset above</source>
        <translation>同上级资产</translation>
    </message>
    <message>
        <source> years</source>
        <translation> 年</translation>
    </message>
    <message>
        <source>Governing rate:</source>
        <translation>控制腐蚀速率：</translation>
    </message>
    <message>
        <source>Longest interval:</source>
        <translation>最长检测间隔：</translation>
    </message>
    <message>
        <source>Interval:</source>
        <translation>检测间隔：</translation>
    </message>
    <message>
        <source>From the asset above: %1; %2.</source>
        <translation>沿用上级资产：%1；%2。</translation>
    </message>
</context>
<context>
    <name>AssetReport</name>
    <message>
        <source>%1 not given</source>
        <translation>%1 未给出</translation>
    </message>
    <message>
        <source>design temperature</source>
        <translation>设计温度</translation>
    </message>
    <message>
        <source>E (longitudinal stress)</source>
        <translation>E（纵向应力）</translation>
    </message>
    <message>
        <source>Refused: %1</source>
        <translation>参数被拒绝：%1</translation>
    </message>
    <message>
        <source>Required: %1 %2 (the structural minimum).</source>
        <translation>要求厚度：%1 %2（最小结构厚度）。</translation>
    </message>
    <message>
        <source>t = %1 %2 (circumferential stress %3, longitudinal %4)</source>
        <translation>t = %1 %2（按环向应力 %3，按纵向应力 %4）</translation>
    </message>
    <message>
        <source>t = %1 %2</source>
        <translation>t = %1 %2</translation>
    </message>
    <message>
        <source>pressure requirement %1 %2</source>
        <translation>压力要求厚度 %1 %2</translation>
    </message>
    <message>
        <source>structural minimum %1 %2</source>
        <translation>最小结构厚度 %1 %2</translation>
    </message>
    <message>
        <source>Required: %1 %2 (the structural minimum governs).</source>
        <translation>要求厚度：%1 %2（由最小结构厚度控制）。</translation>
    </message>
    <message>
        <source>Required: %1 %2 (the pressure design governs).</source>
        <translation>要求厚度：%1 %2（由压力设计控制）。</translation>
    </message>
    <message>
        <source>Asset thickness report</source>
        <translation>资产测厚报告</translation>
    </message>
    <message>
        <source>Asset</source>
        <translation>资产</translation>
    </message>
    <message>
        <source>every asset</source>
        <translation>全部资产</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>CMLs</source>
        <translation>测点数</translation>
    </message>
    <message>
        <source>Under the minimum</source>
        <translation>低于最小厚度</translation>
    </message>
    <message>
        <source>Less life than the interval</source>
        <translation>剩余寿命短于检测间隔</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>备注</translation>
    </message>
    <message>
        <source>Row colours:</source>
        <translation>行颜色：</translation>
    </message>
    <message>
        <source>under the minimum, due now</source>
        <translation>低于最小厚度，现已到期</translation>
    </message>
    <message>
        <source>less life left than the longest interval</source>
        <translation>剩余寿命短于最长检测间隔</translation>
    </message>
    <message>
        <source>Asset report</source>
        <translation>资产报告</translation>
    </message>
    <message>
        <source>%1: thickness in the unit of each CML, rates per year</source>
        <translation>%1：厚度按各测点的单位，腐蚀速率按每年</translation>
    </message>
    <message>
        <source>%1: thickness in %2, rates in %2 per year</source>
        <translation>%1：厚度单位 %2，腐蚀速率单位 %2/年</translation>
    </message>
    <message>
        <source>Trends of the worst CMLs</source>
        <translation>状况最差测点的厚度趋势</translation>
    </message>
    <message>
        <source>Appendix: required thickness and policy</source>
        <translation>附录：要求厚度与评定规则</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>%1 (%2): %3</source>
        <translation>%1（%2）：%3</translation>
    </message>
    <message>
        <source>Design inputs</source>
        <translation>设计参数</translation>
    </message>
    <message>
        <source>No CML has design inputs: each required thickness is its structural minimum.</source>
        <translation>没有测点设置设计参数：各测点的要求厚度即其最小结构厚度。</translation>
    </message>
    <message>
        <source>Policy</source>
        <translation>评定规则</translation>
    </message>
    <message>
        <source>For %1. Governing rate: %2. Longest interval: %3. Next inspection: the newest reading&apos;s date plus half the remaining life, at most the longest interval.</source>
        <translation>适用于 %1。控制腐蚀速率：%2。最长检测间隔：%3。下次检测日期：最新读数的日期加剩余寿命的一半，且不超过最长检测间隔。</translation>
    </message>
    <message>
        <source>%1 years</source>
        <translation>%1 年</translation>
    </message>
    <message>
        <source>Circuit or asset</source>
        <translation>管线回路或资产</translation>
    </message>
    <message>
        <source>CML</source>
        <translation>测点</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>描述</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>单位</translation>
    </message>
    <message>
        <source>Nominal</source>
        <translation>公称厚度</translation>
    </message>
    <message>
        <source>Required</source>
        <translation>要求厚度</translation>
    </message>
    <message>
        <source>Required by</source>
        <translation>要求厚度依据</translation>
    </message>
    <message>
        <source>Newest reading</source>
        <translation>最新读数</translation>
    </message>
    <message>
        <source>Date of the newest</source>
        <translation>最新读数日期</translation>
    </message>
    <message>
        <source>Long-term rate (per year)</source>
        <translation>长期腐蚀速率（每年）</translation>
    </message>
    <message>
        <source>Short-term rate (per year)</source>
        <translation>短期腐蚀速率（每年）</translation>
    </message>
    <message>
        <source>Fitted rate (per year)</source>
        <translation>回归腐蚀速率（每年）</translation>
    </message>
    <message>
        <source>Fitted rate, 95 % low</source>
        <translation>回归腐蚀速率 95% 下限</translation>
    </message>
    <message>
        <source>Fitted rate, 95 % high</source>
        <translation>回归腐蚀速率 95% 上限</translation>
    </message>
    <message>
        <source>Fitted rate, 95 % interval</source>
        <translation>回归腐蚀速率 95% 置信区间</translation>
    </message>
    <message>
        <source>Governing rate (per year)</source>
        <translation>控制腐蚀速率（每年）</translation>
    </message>
    <message>
        <source>Governing</source>
        <translation>控制速率</translation>
    </message>
    <message>
        <source>Remaining life (years)</source>
        <translation>剩余寿命（年）</translation>
    </message>
    <message>
        <source>Next inspection</source>
        <translation>下次检测日期</translation>
    </message>
    <message>
        <source>Marked readings</source>
        <translation>已标记读数</translation>
    </message>
    <message>
        <source>Marks</source>
        <translation>标记</translation>
    </message>
    <message>
        <source>Newest</source>
        <translation>最新读数</translation>
    </message>
    <message>
        <source>Long-term</source>
        <translation>长期</translation>
    </message>
    <message>
        <source>Short-term</source>
        <translation>短期</translation>
    </message>
    <message>
        <source>Fitted</source>
        <translation>回归</translation>
    </message>
    <message>
        <source>Fitted, 95 %</source>
        <translation>回归 95%</translation>
    </message>
    <message>
        <source>Life (years)</source>
        <translation>寿命（年）</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>下次检测</translation>
    </message>
    <message>
        <source>%1 – %2</source>
        <translation>%1 – %2</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1（%2）</translation>
    </message>
    <message>
        <source>no thinning</source>
        <translation>无减薄</translation>
    </message>
    <message>
        <source>, </source>
        <translation>，</translation>
    </message>
    <message>
        <source>; </source>
        <translation>；</translation>
    </message>
    <message>
        <source>. </source>
        <translation>。</translation>
    </message>
    <message>
        <source>%1 cells</source>
        <translation>%1 个单元</translation>
    </message>
    <message>
        <source>%1 m²</source>
        <translation>%1 m²</translation>
    </message>
    <message>
        <source>No readings on this grid yet: none of its %1 cells is measured.</source>
        <translation>此网格上还没有读数：%1 个单元均未测量。</translation>
    </message>
    <message>
        <source>Thinnest cell: %1, %2 (%3 of %4 cells measured).</source>
        <translation>最薄单元：%1，%2（已测 %3/%4 个单元）。</translation>
    </message>
    <message>
        <source>No cell measured in this survey (%1 cells).</source>
        <translation>本次测量没有已测单元（共 %1 个单元）。</translation>
    </message>
    <message>
        <source>Thinnest wall expected over the area: %1 (95 % interval %2 to %3).</source>
        <translation>整个区域预期最薄壁厚：%1（95 % 区间 %2 至 %3）。</translation>
    </message>
    <message>
        <source>the nominal thickness, %1</source>
        <translation>公称厚度 %1</translation>
    </message>
    <message>
        <source>the thickest reading, %1</source>
        <translation>最厚读数 %1</translation>
    </message>
    <message>
        <source>Assumed: %1 blocks of whole rows of %2 cells (%3 each) over %4; losses counted from %5.</source>
        <translation>假设：%1 个整行样本块，每块 %2 个单元（每块 %3），总面积 %4；损失以%5为基准。</translation>
    </message>
    <message>
        <source>Grid %1, survey of %2</source>
        <translation>网格 %1，%2 的测量</translation>
    </message>
    <message>
        <source>Grid %1, no readings</source>
        <translation>网格 %1，无读数</translation>
    </message>
    <message>
        <source>%1: thinnest wall over the area</source>
        <translation>%1：整个区域的最薄壁厚</translation>
    </message>
    <message>
        <source>Gumbel extreme values, by the method of moments (HSE Research Report 016):</source>
        <translation>Gumbel 极值分布，矩估计法（HSE Research Report 016）：</translation>
    </message>
    <message>
        <source>n = %1 blocks, a = %2, A = %3, t_ref = %4 %5 (%6); of the blocks&apos; losses x̄ = %7 %5, s = %8 %5</source>
        <translation>n = %1 个样本块，a = %2，A = %3，t_ref = %4 %5（%6）；各块损失的 x̄ = %7 %5，s = %8 %5</translation>
    </message>
    <message>
        <source>nominal</source>
        <translation>公称厚度</translation>
    </message>
    <message>
        <source>thickest reading</source>
        <translation>最厚读数</translation>
    </message>
    <message>
        <source>T = %1, y_T = %2, α = %3 %4, λ = %5 %4, x_T = %6 %4 (95 % interval %7 to %8 %4, r = %9); t_min = %10.</source>
        <translation>T = %1，y_T = %2，α = %3 %4，λ = %5 %4，x_T = %6 %4（95 % 区间 %7 至 %8 %4，r = %9）；t_min = %10。</translation>
    </message>
</context>
<context>
    <name>AssetReportFlow</name>
    <message>
        <source>Save the asset report</source>
        <translation>保存资产报告</translation>
    </message>
    <message>
        <source>Writing the report, please wait...</source>
        <translation>正在生成报告，请等待……</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Writing the asset report failed.</source>
        <translation>生成资产报告失败。</translation>
    </message>
    <message>
        <source>Tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>The asset report was saved as %1.</source>
        <translation>资产报告已保存为 %1。</translation>
    </message>
</context>
<context>
    <name>AssetSummaryModel</name>
    <message>
        <source>%1 %2/year</source>
        <translation>%1 %2/年</translation>
    </message>
    <message>
        <source>due now</source>
        <translation>现已到期</translation>
    </message>
    <message>
        <source>Asset</source>
        <translation>资产</translation>
    </message>
    <message>
        <source>CML</source>
        <translation>测点</translation>
    </message>
    <message>
        <source>Newest</source>
        <translation>最新读数</translation>
    </message>
    <message>
        <source>Taken</source>
        <translation>测量日期</translation>
    </message>
    <message>
        <source>Required</source>
        <translation>要求厚度</translation>
    </message>
    <message>
        <source>Governing rate</source>
        <translation>控制腐蚀速率</translation>
    </message>
    <message>
        <source>Remaining life</source>
        <translation>剩余寿命</translation>
    </message>
    <message>
        <source>Next inspection</source>
        <translation>下次检测日期</translation>
    </message>
    <message>
        <source>Marks</source>
        <translation>标记</translation>
    </message>
</context>
<context>
    <name>AssetSummaryPage</name>
    <message>
        <source>Due before</source>
        <translation>到期早于</translation>
    </message>
    <message>
        <source>Marked readings only</source>
        <translation>仅含已标记读数</translation>
    </message>
    <message>
        <source>Asset Report…</source>
        <translation>资产报告…</translation>
    </message>
    <message>
        <source>Choose an asset on the first tab to sum up its CMLs.</source>
        <translation>请在第一个选项卡中选择资产，以汇总其测点。</translation>
    </message>
    <message>
        <source>Every CML of %1 and below, worst remaining life first.</source>
        <translation>%1 及其下级的全部测点，剩余寿命最短的排在最前。</translation>
    </message>
</context>
<context>
    <name>AssetTreeModel</name>
    <message>
        <source>Asset</source>
        <translation>资产</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>描述</translation>
    </message>
</context>
<context>
    <name>AssetsDialog</name>
    <message>
        <source>Assets</source>
        <translation>资产</translation>
    </message>
    <message>
        <source>No survey file is open: there are no places to show.</source>
        <translation>未打开测量文件：没有可显示的位置。</translation>
    </message>
    <message>
        <source>Assets and CMLs</source>
        <translation>资产与测点</translation>
    </message>
    <message>
        <source>Surveys</source>
        <translation>检测记录</translation>
    </message>
    <message>
        <source>Add Asset…</source>
        <translation>添加资产…</translation>
    </message>
    <message>
        <source>Add CML…</source>
        <translation>添加测点…</translation>
    </message>
    <message>
        <source>Edit Survey…</source>
        <translation>编辑检测…</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Readings of %1</source>
        <translation>%1 的读数</translation>
    </message>
    <message>
        <source>Choose a CML to see its readings.</source>
        <translation>选择一个测点以查看其读数。</translation>
    </message>
    <message>
        <source>Add an asset first: every CML belongs to one.</source>
        <translation>请先添加资产：每个测点都属于一个资产。</translation>
    </message>
    <message>
        <source>Choose a survey first.</source>
        <translation>请先选择一次检测。</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>汇总</translation>
    </message>
    <message>
        <source>Judging Policy…</source>
        <translation>评定规则…</translation>
    </message>
    <message>
        <source>Accept reading</source>
        <translation>接受读数</translation>
    </message>
    <message>
        <source>Leave out reading</source>
        <translation>剔除读数</translation>
    </message>
    <message>
        <source>Clear decision</source>
        <translation>清除处理决定</translation>
    </message>
    <message>
        <source>Choose a reading in the history first.</source>
        <translation>请先在历史记录中选择一个读数。</translation>
    </message>
    <message>
        <source>Choose a CML first.</source>
        <translation>请先选择一个测点。</translation>
    </message>
    <message>
        <source>Choose an asset first.</source>
        <translation>请先选择一个资产。</translation>
    </message>
    <message>
        <source>Trend</source>
        <translation>趋势</translation>
    </message>
    <message>
        <source>Grid</source>
        <translation>网格</translation>
    </message>
</context>
<context>
    <name>AssignFlow</name>
    <message>
        <source>Names with CMLs under more than one asset, left alone: %1.</source>
        <translation>以下名称对应多个资产下的测点，未分配：%1。</translation>
    </message>
    <message>
        <source>No survey file is open: readings cannot be assigned.</source>
        <translation>未打开测量文件：无法分配读数。</translation>
    </message>
    <message>
        <source>Select the rows to assign first.</source>
        <translation>请先选择要分配的行。</translation>
    </message>
    <message>
        <source>These rows are not in the survey file: they cannot be assigned.</source>
        <translation>这些行不在测量文件中：无法分配。</translation>
    </message>
    <message>
        <source>There are no CMLs yet: add them in the Assets view.</source>
        <translation>还没有测点：请在资产视图中添加。</translation>
    </message>
    <message>
        <source>Nothing assigned.</source>
        <translation>未分配任何读数。</translation>
    </message>
    <message>
        <source>Add an asset in the Assets view to create CMLs for the other names.</source>
        <translation>请在资产视图中添加资产，以便为其余名称创建测点。</translation>
    </message>
    <message>
        <source>There are no routes in the survey file yet.</source>
        <translation>测量文件中还没有路线。</translation>
    </message>
    <message>
        <source>The last assignment was taken back.</source>
        <translation>已撤销上一次分配。</translation>
    </message>
    <message>
        <source>There is no assignment to take back.</source>
        <translation>没有可撤销的分配。</translation>
    </message>
    <message>
        <source>Readings assigned: %1.</source>
        <translation>已分配读数：%1 个。</translation>
    </message>
    <message>
        <source>Left without a CML: %1.</source>
        <translation>未分配到测点的读数：%1 个。</translation>
    </message>
    <message>
        <source>Readings to assign: %1. Choose their CML:</source>
        <translation>待分配读数：%1 个。请选择测点：</translation>
    </message>
    <message>
        <source>Readings assigned to %1: %2.</source>
        <translation>已分配到 %1 的读数：%2 个。</translation>
    </message>
</context>
<context>
    <name>BandWords</name>
    <message>
        <source>Under minimum</source>
        <translation>低于最小值</translation>
    </message>
    <message>
        <source>Under nominal − tolerance</source>
        <translation>低于公称值减公差</translation>
    </message>
    <message>
        <source>Above maximum</source>
        <translation>高于最大值</translation>
    </message>
    <message>
        <source>Within limits</source>
        <translation>在限值内</translation>
    </message>
</context>
<context>
    <name>ChartsPanel</name>
    <message>
        <source>Minimum</source>
        <translation>最小</translation>
    </message>
    <message>
        <source>Nominal − tol.</source>
        <translation>公称−公差</translation>
    </message>
    <message>
        <source>Nominal</source>
        <translation>公称</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>run-chart.png</source>
        <translation>运行图.png</translation>
    </message>
    <message>
        <source>histogram.png</source>
        <translation>直方图.png</translation>
    </message>
    <message>
        <source>Layer %1</source>
        <translation>第%1层</translation>
    </message>
    <message>
        <source>Chart layer:</source>
        <translation>图表层：</translation>
    </message>
    <message>
        <source>Save run chart</source>
        <translation>保存运行图</translation>
    </message>
    <message>
        <source>Save histogram</source>
        <translation>保存直方图</translation>
    </message>
    <message>
        <source>Reading number</source>
        <translation>读数序号</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>读数个数</translation>
    </message>
    <message>
        <source>Thickness</source>
        <translation>厚度</translation>
    </message>
    <message>
        <source>No numeric readings to chart. Read the records or measure on the gauge and they appear here.</source>
        <translation>没有数值读数可画。读取记录或在仪器上测量后，读数显示在这里。</translation>
    </message>
    <message>
        <source>No numeric readings: the histogram is empty.</source>
        <translation>没有数值读数，直方图为空。</translation>
    </message>
    <message>
        <source>%1 – %2: %3 readings</source>
        <translation>%1 – %2：%3 条读数</translation>
    </message>
    <message>
        <source>Reading %1</source>
        <translation>第%1条</translation>
    </message>
    <message>
        <source>: </source>
        <extracomment>Between a reading&apos;s number and its value.</extracomment>
        <translation>：</translation>
    </message>
    <message>
        <source>Save chart</source>
        <translation>保存图表</translation>
    </message>
    <message>
        <source>%1 already exists. Do you want to replace it?</source>
        <translation>%1 已存在，是否替换？</translation>
    </message>
    <message>
        <source>Could not write %1.</source>
        <translation>无法写入 %1。</translation>
    </message>
</context>
<context>
    <name>CliWords</name>
    <message>
        <source>xls not available: this build has no LibreOffice export. Use --format csv or json.</source>
        <translation>不支持xls：此版本未包含LibreOffice导出。请用 --format csv 或 json。</translation>
    </message>
    <message>
        <source>%1 is a folder; give a file name.</source>
        <translation>%1 是一个文件夹；请给出文件名。</translation>
    </message>
    <message>
        <source>the folder %1 does not exist; create it or give another path.</source>
        <translation>文件夹 %1 不存在；请先创建或给出其他路径。</translation>
    </message>
    <message>
        <source>cannot read the demo set-up &apos;%1&apos;.</source>
        <translation>无法读取演示配置 &apos;%1&apos;。</translation>
    </message>
    <message>
        <source>cannot write the trace file %1 (%2). Give a path in a writable folder.</source>
        <translation>无法写入跟踪文件 %1（%2）。请给出可写文件夹中的路径。</translation>
    </message>
    <message>
        <source>the Palvarin window program (or another palvarin-cli) is running and holds the gauge. Close it, or read the records in its window, then try again.</source>
        <translation>Palvarin 窗口程序（或另一个 palvarin-cli）正在运行并占用仪器。请关闭它，或在其窗口中读取记录，然后重试。</translation>
    </message>
    <message>
        <source>the folder %1 does not exist.</source>
        <translation>文件夹 %1 不存在。</translation>
    </message>
    <message>
        <source>%1 is not a file that can be replaced.</source>
        <translation>%1 不是可替换的文件。</translation>
    </message>
    <message>
        <source>cannot write into the folder %1.</source>
        <translation>无法写入文件夹 %1。</translation>
    </message>
    <message>
        <source>writing %1 failed; the old file, if any, is unchanged.</source>
        <translation>写入 %1 失败；原有文件保持不变。</translation>
    </message>
    <message>
        <source>cannot put %1 in place; the old file, if any, is unchanged.</source>
        <translation>无法写入 %1；原有文件保持不变。</translation>
    </message>
    <message>
        <source>cannot tell the format of &apos;%1&apos; from its suffix: give --format csv, xlsx, xls or json.</source>
        <translation>无法从后缀判断 &apos;%1&apos; 的格式：请给出 --format csv、xlsx、xls 或 json。</translation>
    </message>
    <message>
        <source>standard output takes csv or json.</source>
        <translation>标准输出只接受 csv 或 json。</translation>
    </message>
    <message>
        <source>watch prints csv or json.</source>
        <translation>watch 只输出 csv 或 json。</translation>
    </message>
    <message>
        <source>the report is a PDF file: give -o FILE.pdf.</source>
        <translation>报告是PDF文件：请给出 -o 文件.pdf。</translation>
    </message>
    <message>
        <source>history prints csv or json.</source>
        <translation>history 只输出 csv 或 json。</translation>
    </message>
    <message>
        <source>export needs the session to export.</source>
        <translation>export 需要给出要导出的记录组。</translation>
    </message>
    <message>
        <source>compare needs at least two sessions (see history).</source>
        <translation>compare 需要至少两个记录组（见 history）。</translation>
    </message>
    <message>
        <source>compare prints a table (or csv or json with --format), and writes csv, xlsx, json or pdf to -o FILE.</source>
        <translation>compare 打印表格（或用 --format 输出 csv 或 json），并可用 -o 文件写入 csv、xlsx、json 或 pdf。</translation>
    </message>
    <message>
        <source>cannot tell the format of &apos;%1&apos; from its suffix: give --format csv, xlsx or json, or a .pdf file.</source>
        <translation>无法从后缀判断 &apos;%1&apos; 的格式：请给出 --format csv、xlsx 或 json，或 .pdf 文件。</translation>
    </message>
    <message>
        <source>no command given.</source>
        <translation>未给出命令。</translation>
    </message>
    <message>
        <source>unknown command &apos;%1&apos;.</source>
        <translation>未知命令 &apos;%1&apos;。</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;.</source>
        <translation>多余的参数 &apos;%1&apos;。</translation>
    </message>
    <message>
        <source>%1 takes no -o.</source>
        <translation>%1 不接受 -o。</translation>
    </message>
    <message>
        <source>%1 takes no --format.</source>
        <translation>%1 不接受 --format。</translation>
    </message>
    <message>
        <source>%1 takes no --%2.</source>
        <translation>%1 不接受 --%2。</translation>
    </message>
    <message>
        <source>%1 needs -o FILE.</source>
        <translation>%1 需要 -o 文件。</translation>
    </message>
    <message>
        <source>unknown format &apos;%1&apos;: use csv, xlsx, xls or json.</source>
        <translation>未知格式 &apos;%1&apos;：请用 csv、xlsx、xls 或 json。</translation>
    </message>
    <message>
        <source>--tmin takes a thickness, e.g. 8.5 or 0.25inch; &apos;%1&apos; is none.</source>
        <translation>--tmin 需要一个厚度，例如 8.5 或 0.25inch；&apos;%1&apos; 不是。</translation>
    </message>
    <message>
        <source>--interval takes a number of years above zero; &apos;%1&apos; is none.</source>
        <translation>--interval 需要一个大于零的年数；&apos;%1&apos; 不是。</translation>
    </message>
    <message>
        <source>--layer takes 1, 2 or 3.</source>
        <translation>--layer 只接受 1、2 或 3。</translation>
    </message>
    <message>
        <source>Check that the gauge is switched on and its cable plugged in, then try again; --trace FILE records what went over the cable for a bug report.</source>
        <translation>请检查仪器已开机且USB线已连接，然后重试；--trace 文件 可记录通信内容以便报告问题。</translation>
    </message>
    <message>
        <source>a gauge is attached but could not be opened. A normal user needs the program&apos;s udev rule (see the README); then plug the gauge in again.</source>
        <translation>已连接仪器但无法打开。普通用户需要安装本程序的udev规则（见README），然后重新插入仪器。</translation>
    </message>
    <message>
        <source>no gauge with the serial %1 is attached; &apos;palvarin-cli list&apos; shows the gauges attached.</source>
        <translation>未连接序列号为 %1 的仪器；&apos;palvarin-cli list&apos; 列出已连接的仪器。</translation>
    </message>
    <message>
        <source>no gauge found. Connect the gauge with its USB cable and switch it on; on Linux a normal user also needs the program&apos;s udev rule (see the README). To try the tool without a gauge: palvarin-cli --demo read -o -</source>
        <translation>未找到仪器。请用USB线连接仪器并开机；在Linux上普通用户还需要安装本程序的udev规则（见README）。不连接仪器试用本工具：palvarin-cli --demo read -o -</translation>
    </message>
    <message>
        <source>the unit table &apos;unitno&apos; was not found or does not know this gauge&apos;s units; it is looked up in: %1.</source>
        <translation>未找到单位表 &apos;unitno&apos;，或其中没有此仪器的单位；查找位置：%1。</translation>
    </message>
    <message>
        <source>interrupted: nothing was written.</source>
        <translation>已中断：未写入任何内容。</translation>
    </message>
    <message>
        <source>nothing was written.</source>
        <translation>未写入任何内容。</translation>
    </message>
    <message>
        <source>the gauge holds no records: nothing was written.</source>
        <translation>仪器中没有记录：未写入任何内容。</translation>
    </message>
    <message>
        <source>%1 records read.</source>
        <translation>已读取%1条记录。</translation>
    </message>
    <message>
        <source>Writing %1</source>
        <translation>正在写入 %1</translation>
    </message>
    <message>
        <source>writing to standard output failed.</source>
        <translation>写入标准输出失败。</translation>
    </message>
    <message>
        <source>the gauge&apos;s settings changed; the columns are now: %1</source>
        <translation>仪器设置已变更；现在的列为：%1</translation>
    </message>
    <message>
        <source>the gauge was disconnected. Plug it in again and start the watch once more.</source>
        <translation>仪器已断开。请重新连接仪器后再次开始监视。</translation>
    </message>
    <message>
        <source>watching the gauge %1; each measurement is printed as it arrives. Ctrl+C ends.</source>
        <translation>正在监视仪器 %1；每次测量到达即打印。按 Ctrl+C 结束。</translation>
    </message>
    <message>
        <source>Try &apos;palvarin-cli --help&apos; for the commands and options.</source>
        <translation>命令和选项见 &apos;palvarin-cli --help&apos;。</translation>
    </message>
    <message>
        <source>the survey file %1 is not a file.</source>
        <translation>测量记录文件 %1 不是一个文件。</translation>
    </message>
    <message>
        <source>it was written by a newer version of the program; use that version to read it.</source>
        <translation>该文件来自更新版本的程序；请使用该版本读取。</translation>
    </message>
    <message>
        <source>it is not a plain file.</source>
        <translation>它不是普通文件。</translation>
    </message>
    <message>
        <source>it is damaged or is no survey file.</source>
        <translation>文件已损坏或不是测量记录文件。</translation>
    </message>
    <message>
        <source>another program holds it locked; try again in a moment.</source>
        <translation>另一个程序锁定了该文件；请稍后重试。</translation>
    </message>
    <message>
        <source>it cannot be opened (check its permissions).</source>
        <translation>无法打开该文件（请检查其权限）。</translation>
    </message>
    <message>
        <source>cannot read the survey file %1: %2 (%3)</source>
        <translation>无法读取测量记录文件 %1：%2（%3）</translation>
    </message>
    <message>
        <source>&apos;palvarin-cli history&apos; lists the sessions kept.</source>
        <translation>&apos;palvarin-cli history&apos; 列出已保存的记录组。</translation>
    </message>
    <message>
        <source>there is no survey file yet (%1): the window program keeps one once it receives readings.</source>
        <translation>尚无测量记录文件（%1）：窗口程序收到测量数据后会创建。</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>STARTED</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <source>SERIAL</source>
        <translation>序列号</translation>
    </message>
    <message>
        <source>METER TYPE</source>
        <translation>仪器类型</translation>
    </message>
    <message>
        <source>LAYOUT</source>
        <translation>布局</translation>
    </message>
    <message>
        <source>ROWS</source>
        <translation>行数</translation>
    </message>
    <message>
        <source>EXPORTED</source>
        <translation>已导出</translation>
    </message>
    <message>
        <source>there is no survey file yet (%1), so no session %2.</source>
        <translation>尚无测量记录文件（%1），因此没有记录组 %2。</translation>
    </message>
    <message>
        <source>there is no session %1 in %2. %3</source>
        <translation>%2 中没有记录组 %1。%3</translation>
    </message>
    <message>
        <source>reading session %1 from %2 failed: the file may be damaged.</source>
        <translation>从 %2 读取记录组 %1 失败：文件可能已损坏。</translation>
    </message>
    <message>
        <source>every row of session %1 was deleted: nothing was written.</source>
        <translation>记录组 %1 的所有行均已删除：未写入任何内容。</translation>
    </message>
    <message>
        <source>the columns of session %1 cannot be read from %2: nothing was written.</source>
        <translation>无法从 %2 读取记录组 %1 的列：未写入任何内容。</translation>
    </message>
    <message>
        <source>there is no survey file yet (%1), so no sessions to compare.</source>
        <translation>尚无测量记录文件（%1），因此没有可比较的记录组。</translation>
    </message>
    <message>
        <source>session %1 is given twice.</source>
        <translation>记录组 %1 重复给出。</translation>
    </message>
    <message>
        <source>the sessions come from different gauges (%1); a difference between gauges would read as wear. Give --any-gauge to compare them anyway.</source>
        <translation>这些记录组来自不同的仪器（%1）；仪器之间的差异会被当作减薄。如仍要比较，请加 --any-gauge。</translation>
    </message>
    <message>
        <source>Minimum thickness %1 %2; longest interval %3 years.</source>
        <translation>最小厚度 %1 %2；最长检测间隔 %3 年。</translation>
    </message>
    <message>
        <source>No minimum thickness given (--tmin): no remaining life and no next inspection date.</source>
        <translation>未给出最小厚度（--tmin）：无剩余寿命和下次检测日期。</translation>
    </message>
    <message>
        <source>Comparison of sessions %1</source>
        <translation>记录组 %1 的对比</translation>
    </message>
    <message>
        <source>interrupted: nothing was written; an existing file is unchanged.</source>
        <translation>已中断：未写入任何内容；原有文件保持不变。</translation>
    </message>
    <message>
        <source> The .xls export needs LibreOffice Calc (libreoffice-calc-nogui); csv and json need nothing.</source>
        <translation> 导出.xls需要LibreOffice Calc（libreoffice-calc-nogui）；csv和json不需要。</translation>
    </message>
    <message>
        <source>%1 written.</source>
        <translation>已写入 %1。</translation>
    </message>
    <message>
        <source>writing the report %1 failed; an existing file is unchanged.</source>
        <translation>生成报告 %1 失败；原有文件保持不变。</translation>
    </message>
    <message>
        <source>the logo image %1 could not be read and was left out.</source>
        <translation>无法读取徽标图片 %1，报告中未包含徽标。</translation>
    </message>
    <message>
        <source>cause: %1</source>
        <translation>原因：%1</translation>
    </message>
    <message>
        <source>this command prints a table, or csv or json with --format.</source>
        <translation>此命令打印表格，或用 --format 输出 csv 或 json。</translation>
    </message>
    <message>
        <source>cml add needs the asset path and the CML&apos;s tag.</source>
        <translation>cml add 需要资产路径和测点（CML）的标签。</translation>
    </message>
    <message>
        <source>cml import needs the CSV file to import.</source>
        <translation>cml import 需要给出要导入的CSV文件。</translation>
    </message>
    <message>
        <source>readings import needs the CSV file to import.</source>
        <translation>readings import 需要给出要导入的CSV文件。</translation>
    </message>
    <message>
        <source>route add needs the route&apos;s name and the tags of its CMLs in walking order.</source>
        <translation>route add 需要路线名称以及按巡检顺序排列的测点标签。</translation>
    </message>
    <message>
        <source>route show needs the route&apos;s name (see route list).</source>
        <translation>route show 需要路线名称（见 route list）。</translation>
    </message>
    <message>
        <source>assign needs the survey (see survey list).</source>
        <translation>assign 需要给出测量（见 survey list）。</translation>
    </message>
    <message>
        <source>assign prints text, or json with --format json.</source>
        <translation>assign 打印文字，或用 --format json 输出 json。</translation>
    </message>
    <message>
        <source>--%1 takes a thickness of zero or more, e.g. 6.35; &apos;%2&apos; is none.</source>
        <translation>--%1 需要一个不小于零的厚度，例如 6.35；&apos;%2&apos; 不是。</translation>
    </message>
    <message>
        <source>assign takes one of --by-name, --route ROUTE or --undo.</source>
        <translation>assign 需要且只接受 --by-name、--route 路线 或 --undo 之一。</translation>
    </message>
    <message>
        <source>%1 takes one of: %2.</source>
        <translation>%1 后需接以下之一：%2。</translation>
    </message>
    <message>
        <source>%1 takes no --store: it does not use the survey store.</source>
        <translation>%1 不接受 --store：它不使用测量记录库。</translation>
    </message>
    <message>
        <source>PATH</source>
        <translation>路径</translation>
    </message>
    <message>
        <source>KIND</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>DESCRIPTION</source>
        <translation>描述</translation>
    </message>
    <message>
        <source>CMLS</source>
        <translation>测点数</translation>
    </message>
    <message>
        <source>ASSET</source>
        <translation>资产</translation>
    </message>
    <message>
        <source>TAG</source>
        <translation>标签</translation>
    </message>
    <message>
        <source>NOMINAL</source>
        <translation>公称厚度</translation>
    </message>
    <message>
        <source>MINIMUM</source>
        <translation>最小厚度</translation>
    </message>
    <message>
        <source>ALLOWANCE</source>
        <translation>腐蚀裕量</translation>
    </message>
    <message>
        <source>MATERIAL</source>
        <translation>材质</translation>
    </message>
    <message>
        <source>READINGS</source>
        <translation>读数</translation>
    </message>
    <message>
        <source>LAST</source>
        <translation>最近读数</translation>
    </message>
    <message>
        <source>LAST DATE</source>
        <translation>最近日期</translation>
    </message>
    <message>
        <source>%1 already has a CML %2; &apos;palvarin-cli cml import&apos; changes CMLs.</source>
        <translation>%1 已有测点 %2；修改测点请用 &apos;palvarin-cli cml import&apos;。</translation>
    </message>
    <message>
        <source>CML %1 added under %2.</source>
        <translation>已在 %2 下添加测点 %1。</translation>
    </message>
    <message>
        <source>%1: %2 CMLs added, %3 updated.</source>
        <translation>%1：新增 %2 个测点，更新 %3 个。</translation>
    </message>
    <message>
        <source>%1 holds no readings.</source>
        <translation>%1 中没有读数。</translation>
    </message>
    <message>
        <source>%1: the CML %2 is not in the survey file; add it with &apos;palvarin-cli cml add&apos; or &apos;palvarin-cli cml import&apos;. Nothing was imported.</source>
        <translation>%1：测量记录文件中没有测点 %2；请用 &apos;palvarin-cli cml add&apos; 或 &apos;palvarin-cli cml import&apos; 添加。未导入任何内容。</translation>
    </message>
    <message>
        <source>%1: %2 readings imported; surveys made: %3.</source>
        <translation>%1：已导入 %2 条读数；新建的测量：%3。</translation>
    </message>
    <message>
        <source>there is no survey file yet (%1), so no route %2.</source>
        <translation>尚无测量记录文件（%1），因此没有路线 %2。</translation>
    </message>
    <message>
        <source>there is no survey file yet (%1), so no asset %2.</source>
        <translation>尚无测量记录文件（%1），因此没有资产 %2。</translation>
    </message>
    <message>
        <source>there is no survey file yet (%1).</source>
        <translation>尚无测量记录文件（%1）。</translation>
    </message>
    <message>
        <source>cannot change the survey file %1: %2 (%3)</source>
        <translation>无法修改测量记录文件 %1：%2（%3）</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not in the survey file %2.</source>
        <translation>测量记录文件 %2 中没有 &apos;%1&apos;。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is already in the survey file %2.</source>
        <translation>测量记录文件 %2 中已有 &apos;%1&apos;。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; cannot be taken: a tag must not be empty nor hold &apos;/&apos;.</source>
        <translation>无法使用 &apos;%1&apos;：标签不能为空，也不能含有 &apos;/&apos;。</translation>
    </message>
    <message>
        <source>the survey file %1 refused the change: %2 (%3) Nothing was changed.</source>
        <translation>测量记录文件 %1 拒绝了修改：%2（%3）未作任何修改。</translation>
    </message>
    <message>
        <source>there is no asset &apos;%1&apos; in %2; &apos;palvarin-cli assets&apos; lists them.</source>
        <translation>%2 中没有资产 &apos;%1&apos;；&apos;palvarin-cli assets&apos; 列出所有资产。</translation>
    </message>
    <message>
        <source>the file is empty; its first line must name the columns.</source>
        <translation>文件为空；第一行必须列出各列名称。</translation>
    </message>
    <message>
        <source>unknown column &apos;%1&apos; (or a column named twice).</source>
        <translation>未知列 &apos;%1&apos;（或列名重复）。</translation>
    </message>
    <message>
        <source>the column &apos;%1&apos; is missing.</source>
        <translation>缺少列 &apos;%1&apos;。</translation>
    </message>
    <message>
        <source>the line has more or fewer fields than the header.</source>
        <translation>该行的字段数与标题行不同。</translation>
    </message>
    <message>
        <source>a quoted field is not closed before the end of the file.</source>
        <translation>引号括起的字段直到文件末尾都未闭合。</translation>
    </message>
    <message>
        <source>%1 is empty.</source>
        <translation>%1 为空。</translation>
    </message>
    <message>
        <source>%1 is not a number of zero or more (write a &apos;.&apos; decimal point).</source>
        <translation>%1 不是不小于零的数字（小数点请用 &apos;.&apos;）。</translation>
    </message>
    <message>
        <source>the date is not ISO 8601 in UTC, e.g. 2026-03-01T09:30:00Z.</source>
        <translation>日期不是UTC的ISO 8601格式，例如 2026-03-01T09:30:00Z。</translation>
    </message>
    <message>
        <source>the unit is neither mm nor inch.</source>
        <translation>单位既不是 mm 也不是 inch。</translation>
    </message>
    <message>
        <source>%1 has an empty tag or a tag with &apos;/&apos;.</source>
        <translation>%1 含有空标签或带 &apos;/&apos; 的标签。</translation>
    </message>
    <message>
        <source>%1 is listed twice.</source>
        <translation>%1 出现了两次。</translation>
    </message>
    <message>
        <source>%1 line %2: %3</source>
        <translation>%1 第 %2 行：%3</translation>
    </message>
    <message>
        <source>nothing was imported.</source>
        <translation>未导入任何内容。</translation>
    </message>
    <message>
        <source>cannot read %1 (%2).</source>
        <translation>无法读取 %1（%2）。</translation>
    </message>
    <message>
        <source>there is no route &apos;%1&apos; in %2; &apos;palvarin-cli route list&apos; lists them.</source>
        <translation>%2 中没有路线 &apos;%1&apos;；&apos;palvarin-cli route list&apos; 列出所有路线。</translation>
    </message>
    <message>
        <source>NAME</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>NOTES</source>
        <translation>备注</translation>
    </message>
    <message>
        <source>there is no CML %1 under %2.</source>
        <translation>%2 下没有测点 %1。</translation>
    </message>
    <message>
        <source>there is no CML %1 in %2; &apos;palvarin-cli cml list&apos; lists them.</source>
        <translation>%2 中没有测点 %1；&apos;palvarin-cli cml list&apos; 列出所有测点。</translation>
    </message>
    <message>
        <source>there are CMLs %1 under %2; give --asset PATH to say which.</source>
        <translation>%2 下都有测点 %1；请用 --asset 路径 指明是哪一个。</translation>
    </message>
    <message numerus="yes">
        <source>route %1 added: %n CML(s).</source>
        <translation>
            <numerusform>已添加路线 %1：%n 个测点。</numerusform>
        </translation>
    </message>
    <message>
        <source>STOP</source>
        <translation>顺序</translation>
    </message>
    <message>
        <source>there is no survey %1 with readings in %2; &apos;palvarin-cli survey list&apos; lists them.</source>
        <translation>%2 中没有带读数的测量 %1；&apos;palvarin-cli survey list&apos; 列出所有测量。</translation>
    </message>
    <message>
        <source>survey %1 has no assignment to take back.</source>
        <translation>测量 %1 没有可撤销的分配。</translation>
    </message>
    <message>
        <source>assignment %1 of survey %2 taken back.</source>
        <translation>已撤销测量 %2 的分配 %1。</translation>
    </message>
    <message>
        <source>NUMBER</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>CML</source>
        <translation>测点</translation>
    </message>
    <message>
        <source>Readings assigned: %1; left without a CML: %2.</source>
        <translation>已分配的读数：%1；没有测点的读数：%2。</translation>
    </message>
    <message>
        <source>Names with no CML: %1. Create them with &apos;palvarin-cli cml add PATH TAG&apos; and assign again.</source>
        <translation>没有对应测点的名称：%1。请用 &apos;palvarin-cli cml add 路径 标签&apos; 创建后重新分配。</translation>
    </message>
    <message>
        <source>Names matching CMLs of more than one asset, left without one: %1.</source>
        <translation>与多个资产的测点同名、因而未分配的名称：%1。</translation>
    </message>
    <message>
        <source>DATE</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>ROUTE</source>
        <translation>路线</translation>
    </message>
    <message>
        <source>INSPECTOR</source>
        <translation>检测人员</translation>
    </message>
    <message>
        <source>ASSIGNED</source>
        <translation>已分配</translation>
    </message>
    <message>
        <source>there is no survey file yet (%1), so no CMLs to report.</source>
        <translation>尚无测量记录文件（%1），因此没有可报告的测点。</translation>
    </message>
    <message>
        <source>asset report writes pdf, xlsx or csv.</source>
        <translation>asset report 只输出 pdf、xlsx 或 csv。</translation>
    </message>
    <message>
        <source>cannot tell the format of &apos;%1&apos; from its suffix: give --format csv or xlsx, or a .pdf file.</source>
        <translation>无法从后缀判断 &apos;%1&apos; 的格式：请给出 --format csv 或 xlsx，或 .pdf 文件。</translation>
    </message>
    <message>
        <source>standard output takes csv.</source>
        <translation>标准输出只接受 csv。</translation>
    </message>
    <message>
        <source>cml show needs the CML&apos;s tag.</source>
        <translation>cml show 需要测点的标签。</translation>
    </message>
    <message>
        <source>cml show prints text, or json with --format json.</source>
        <translation>cml show 打印文字，或用 --format json 输出 json。</translation>
    </message>
    <message>
        <source>cml design needs the CML&apos;s tag.</source>
        <translation>cml design 需要测点的标签。</translation>
    </message>
    <message>
        <source>tmin needs the formula: b31.3, ug27 or api653.</source>
        <translation>tmin 需要给出公式：b31.3、ug27 或 api653。</translation>
    </message>
    <message>
        <source>tmin prints text, or json with --format json.</source>
        <translation>tmin 打印文字，或用 --format json 输出 json。</translation>
    </message>
    <message>
        <source>--before takes a date, e.g. 2027-06-30; &apos;%1&apos; is none.</source>
        <translation>--before 需要一个日期，例如 2027-06-30；&apos;%1&apos; 不是。</translation>
    </message>
    <message>
        <source>cml design needs --formula: b31.3, ug27, api653 or none.</source>
        <translation>cml design 需要 --formula：b31.3、ug27、api653 或 none。</translation>
    </message>
    <message>
        <source>cml design needs --asset PATH, the asset of the CML.</source>
        <translation>cml design 需要 --asset 路径，即测点所属的资产。</translation>
    </message>
    <message>
        <source>--%1 takes a number, e.g. %2; &apos;%3&apos; is none.</source>
        <translation>--%1 需要一个数字，例如 %2；&apos;%3&apos; 不是。</translation>
    </message>
    <message>
        <source>--%1 takes a plain number without a unit; &apos;%2&apos; is none.</source>
        <translation>--%1 需要一个不带单位的数字；&apos;%2&apos; 不是。</translation>
    </message>
    <message>
        <source>--%1 needs its unit, MPa, psi or bar, e.g. %2MPa; &apos;%3&apos; has none.</source>
        <translation>--%1 需要带单位（MPa、psi 或 bar），例如 %2MPa；&apos;%3&apos; 没有单位。</translation>
    </message>
    <message>
        <source>--%1 needs its unit, mm, in, m or ft, e.g. %2mm; &apos;%3&apos; has none.</source>
        <translation>--%1 需要带单位（mm、in、m 或 ft），例如 %2mm；&apos;%3&apos; 没有单位。</translation>
    </message>
    <message>
        <source>--temp takes a temperature with its unit, e.g. 300C or 570F; &apos;%1&apos; is none.</source>
        <translation>--temp 需要一个带单位的温度，例如 300C 或 570F；&apos;%1&apos; 不是。</translation>
    </message>
    <message>
        <source>--group takes ferritic, austenitic, other or cast-iron; &apos;%1&apos; is none.</source>
        <translation>--group 只接受 ferritic、austenitic、other 或 cast-iron；&apos;%1&apos; 不是。</translation>
    </message>
    <message>
        <source>UNIT</source>
        <translation>单位</translation>
    </message>
    <message>
        <source>ACTUAL</source>
        <translation>实测厚度</translation>
    </message>
    <message>
        <source>REQUIRED</source>
        <translation>要求厚度</translation>
    </message>
    <message>
        <source>RATE/YEAR</source>
        <translation>腐蚀速率/年</translation>
    </message>
    <message>
        <source>GOVERNS</source>
        <translation>控制速率</translation>
    </message>
    <message>
        <source>LIFE (YEARS)</source>
        <translation>剩余寿命（年）</translation>
    </message>
    <message>
        <source>NEXT</source>
        <translation>下次检测</translation>
    </message>
    <message>
        <source>STATE</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>MARKS</source>
        <translation>标记数</translation>
    </message>
    <message>
        <source>the CML %1 could not be read from %2.</source>
        <translation>无法从 %2 读取测点 %1。</translation>
    </message>
    <message>
        <source>CML %1/%2%3</source>
        <translation>测点 %1/%2%3</translation>
    </message>
    <message>
        <source>no readings.</source>
        <translation>没有读数。</translation>
    </message>
    <message>
        <source>THICKNESS</source>
        <translation>厚度</translation>
    </message>
    <message>
        <source>MARK</source>
        <translation>标记</translation>
    </message>
    <message>
        <source>DECISION</source>
        <translation>处理决定</translation>
    </message>
    <message>
        <source>BY</source>
        <translation>处理人</translation>
    </message>
    <message>
        <source>COUNTED</source>
        <translation>计入</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>no</source>
        <translation>否</translation>
    </message>
    <message>
        <source>long-term rate: %1</source>
        <translation>长期腐蚀速率：%1</translation>
    </message>
    <message>
        <source>short-term rate: %1</source>
        <translation>短期腐蚀速率：%1</translation>
    </message>
    <message>
        <source>regression rate: -</source>
        <translation>回归腐蚀速率：-</translation>
    </message>
    <message>
        <source>regression rate: %1 (95 %: %2 to %3)</source>
        <translation>回归腐蚀速率：%1（95%：%2 至 %3）</translation>
    </message>
    <message>
        <source>governing rate: %1 (%2)</source>
        <translation>控制腐蚀速率：%1（%2）</translation>
    </message>
    <message>
        <source>remaining life: %1</source>
        <translation>剩余寿命：%1</translation>
    </message>
    <message>
        <source>not thinning</source>
        <translation>无减薄</translation>
    </message>
    <message>
        <source>%1 years</source>
        <translation>%1 年</translation>
    </message>
    <message>
        <source>next inspection: %1%2</source>
        <translation>下次检测日期：%1%2</translation>
    </message>
    <message>
        <source> (due now)</source>
        <translation> （现已到期）</translation>
    </message>
    <message>
        <source>findings: %1</source>
        <translation>说明：%1</translation>
    </message>
    <message>
        <source>--formula takes b31.3, ug27, api653 or none; &apos;%1&apos; is none.</source>
        <translation>--formula 只接受 b31.3、ug27、api653 或 none；&apos;%1&apos; 不是。</translation>
    </message>
    <message>
        <source>%1 refuses these inputs: %2 Nothing was stored.</source>
        <translation>%1 不接受这些参数：%2未保存任何内容。</translation>
    </message>
    <message>
        <source>CML %1/%2:</source>
        <translation>测点 %1/%2：</translation>
    </message>
    <message>
        <source>there is no survey file yet (%1), so no CML %2.</source>
        <translation>尚无测量记录文件（%1），因此没有测点 %2。</translation>
    </message>
    <message>
        <source>inputs: %1</source>
        <translation>参数：%1</translation>
    </message>
    <message>
        <source>refused: %1</source>
        <translation>参数被拒绝：%1</translation>
    </message>
    <message>
        <source>t = %1 (circumferential stress), %2 (longitudinal stress)</source>
        <translation>t = %1（按环向应力），%2（按纵向应力）</translation>
    </message>
    <message>
        <source>pressure design thickness with allowances: %1</source>
        <translation>压力设计厚度（含附加裕量）：%1</translation>
    </message>
    <message>
        <source>structural minimum: %1</source>
        <translation>最小结构厚度：%1</translation>
    </message>
    <message>
        <source>required thickness: none (no design and no structural minimum)</source>
        <translation>要求厚度：无（既无设计参数，也无最小结构厚度）</translation>
    </message>
    <message>
        <source>required thickness: %1 (%2 governs)</source>
        <translation>要求厚度：%1（由%2控制）</translation>
    </message>
    <message>
        <source>structural</source>
        <translation>最小结构厚度</translation>
    </message>
    <message>
        <source>pressure</source>
        <translation>压力设计</translation>
    </message>
    <message>
        <source>notes: %1</source>
        <translation>备注：%1</translation>
    </message>
    <message>
        <source>tmin takes b31.3, ug27 or api653; &apos;%1&apos; is none.</source>
        <translation>tmin 只接受 b31.3、ug27 或 api653；&apos;%1&apos; 不是。</translation>
    </message>
    <message>
        <source>%1 refuses these inputs: %2</source>
        <translation>%1 不接受这些参数：%2</translation>
    </message>
    <message>
        <source>%1 %2/year</source>
        <translation>%1 %2/年</translation>
    </message>
    <message>
        <source>there is no route &apos;%1&apos; in the survey file %2 (see route list).</source>
        <translation>测量文件 %2 中没有路线“%1”（见 route list）。</translation>
    </message>
    <message>
        <source>there is no asset &apos;%1&apos; in the survey file %2 (see assets).</source>
        <translation>测量文件 %2 中没有资产“%1”（见 assets）。</translation>
    </message>
    <message>
        <source>accepted</source>
        <translation>已接受</translation>
    </message>
    <message>
        <source>a accept, r measure again, s skip, b back, u undo, q quit</source>
        <translation>a 接受，r 复测，s 跳过，b 返回，u 撤销，q 退出</translation>
    </message>
    <message>
        <source>stop %1/%2</source>
        <translation>第 %1/%2 站</translation>
    </message>
    <message>
        <source>last %1 %2 on %3</source>
        <translation>上次 %1 %2（%3）</translation>
    </message>
    <message>
        <source>no reading yet</source>
        <translation>尚无读数</translation>
    </message>
    <message>
        <source>expected %1 (%2 to %3)</source>
        <translation>预期 %1（%2 至 %3）</translation>
    </message>
    <message>
        <source>required %1</source>
        <translation>要求 %1</translation>
    </message>
    <message>
        <source>not known</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>skipped: %1</source>
        <translation>已跳过：%1</translation>
    </message>
    <message>
        <source>no longer skipped: waiting for a reading</source>
        <translation>不再跳过：等待读数</translation>
    </message>
    <message>
        <source>measure again: the next reading replaces it</source>
        <translation>复测：下一个读数将替换它</translation>
    </message>
    <message>
        <source>reading taken back: waiting for a reading</source>
        <translation>读数已撤回：等待读数</translation>
    </message>
    <message>
        <source>not skipped.</source>
        <translation>未跳过。</translation>
    </message>
    <message>
        <source>why? (a line, then Enter)</source>
        <translation>原因？（输入一行后按回车）</translation>
    </message>
    <message>
        <source>skip why? %1</source>
        <translation>跳过原因？%1</translation>
    </message>
    <message>
        <source>walk quit before its end; the readings taken are kept in the survey file.</source>
        <translation>巡检在结束前退出；已测读数保存在测量文件中。</translation>
    </message>
    <message>
        <source>walk interrupted before its end; the readings taken are kept in the survey file.</source>
        <translation>巡检在结束前被中断；已测读数保存在测量文件中。</translation>
    </message>
    <message>
        <source>standard input ended before the walk did; the readings taken are kept in the survey file.</source>
        <translation>标准输入在巡检结束前已结束；已测读数保存在测量文件中。</translation>
    </message>
    <message>
        <source>%1 done: %2 stops, %3 skipped.</source>
        <translation>%1 完成：%2 站，跳过 %3 站。</translation>
    </message>
    <message>
        <source>walking %1 with the gauge %2: %3 stops.</source>
        <translation>用仪器 %2 巡检 %1：共 %3 站。</translation>
    </message>
    <message>
        <source>the gauge was disconnected before the walk&apos;s end; the readings taken are kept in the survey file. Plug it in again and walk the rest.</source>
        <translation>巡检结束前仪器已断开；已测读数保存在测量文件中。请重新连接仪器，继续完成其余测点。</translation>
    </message>
    <message>
        <source>walk takes one of --route ROUTE or --asset PATH.</source>
        <translation>walk 需要且只接受 --route 路线 或 --asset 路径 之一。</translation>
    </message>
    <message>
        <source>--route takes the route&apos;s name (see route list).</source>
        <translation>--route 需要路线名称（见 route list）。</translation>
    </message>
    <message>
        <source>--tolerance takes a thickness in mm of zero or more, e.g. 0.2; &apos;%1&apos; is none.</source>
        <translation>--tolerance 需要一个不小于零的厚度（毫米），例如 0.2；“%1”不是。</translation>
    </message>
    <message>
        <source>grid define needs the CML&apos;s tag.</source>
        <translation>grid define 需要测点的标签。</translation>
    </message>
    <message>
        <source>grid place needs the CML&apos;s tag.</source>
        <translation>grid place 需要测点的标签。</translation>
    </message>
    <message>
        <source>grid show needs the CML&apos;s tag.</source>
        <translation>grid show 需要测点的标签。</translation>
    </message>
    <message>
        <source>grid show prints a table, or csv or json with --format.</source>
        <translation>grid show 输出表格，或用 --format 输出 csv 或 json。</translation>
    </message>
    <message>
        <source>%1 rows by %2 columns (A1 to %3)</source>
        <translation>%1 行 × %2 列（A1 至 %3）</translation>
    </message>
    <message numerus="yes">
        <source>, %n cell(s) masked</source>
        <translation>
            <numerusform>，%n 个单元已屏蔽</numerusform>
        </translation>
    </message>
    <message>
        <source>, pitch %1 mm</source>
        <translation>，间距 %1 mm</translation>
    </message>
    <message>
        <source>, walk %1</source>
        <translation>，走向 %1</translation>
    </message>
    <message>
        <source>cannot read the grid of %1 from %2.</source>
        <translation>无法从 %2 读取 %1 的网格。</translation>
    </message>
    <message>
        <source>the CML %1 is not a grid; &apos;palvarin-cli grid define&apos; makes it one.</source>
        <translation>测点 %1 不是网格；可用“palvarin-cli grid define”将其设为网格。</translation>
    </message>
    <message>
        <source>the CML %1 is no grid; nothing was changed.</source>
        <translation>测点 %1 不是网格；未做任何更改。</translation>
    </message>
    <message>
        <source>the CML %1 is no longer a grid; its readings keep their cells.</source>
        <translation>测点 %1 不再是网格；其读数保留所在单元。</translation>
    </message>
    <message>
        <source>the CML %1 is a grid of %2.</source>
        <translation>测点 %1 是 %2 的网格。</translation>
    </message>
    <message numerus="yes">
        <source>%n reading(s) of survey %1 placed by name on %2.</source>
        <translation>
            <numerusform>测量 %1 的 %n 个读数已按名称放入 %2。</numerusform>
        </translation>
    </message>
    <message>
        <source>--from: %1 is no cell to measure on %2 (%3).</source>
        <translation>--from：%1 不是 %2 上可测量的单元（%3）。</translation>
    </message>
    <message numerus="yes">
        <source>%n reading(s) of survey %1 placed on %2 in the walk %3</source>
        <translation>
            <numerusform>测量 %1 的 %n 个读数已按走向 %3 放入 %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>; %n left where they were: the walk reached its last cell</source>
        <translation>
            <numerusform>；%n 个读数保持原位：走向已到最后一个单元</numerusform>
        </translation>
    </message>
    <message>
        <source>MAX</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>MIN</source>
        <translation>最小</translation>
    </message>
    <message>
        <source>%1 cells</source>
        <translation>%1 个单元</translation>
    </message>
    <message>
        <source>%1 m²</source>
        <translation>%1 m²</translation>
    </message>
    <message>
        <source>thinnest spot expected over the area: %1 %2 (95 %: %3 to %4)</source>
        <translation>整个区域预期最薄点：%1 %2（95 %：%3 至 %4）</translation>
    </message>
    <message numerus="yes">
        <source>  from %n block(s) of up to %1 cells each (%2) over %3,</source>
        <translation>
            <numerusform>  基于 %n 个样本块（每块最多 %1 个单元，%2），总面积 %3，</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>  losses counted from the nominal %1; %n cell(s) measured</source>
        <translation>
            <numerusform>  损失以公称厚度 %1 为基准；已测 %n 个单元</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>  losses counted from the thickest reading %1; %n cell(s) measured</source>
        <translation>
            <numerusform>  损失以最厚读数 %1 为基准；已测 %n 个单元</numerusform>
        </translation>
    </message>
    <message>
        <source>grid %1, %2 rows by %3 columns</source>
        <translation>网格 %1，%2 行 × %3 列</translation>
    </message>
    <message>
        <source>no readings on the grid yet.</source>
        <translation>网格上还没有读数。</translation>
    </message>
    <message>
        <source>wall loss in %1 from survey %2 to survey %3</source>
        <translation>壁厚损失（%1），从测量 %2 到测量 %3</translation>
    </message>
    <message>
        <source>thickness in %1, survey %2</source>
        <translation>厚度（%1），测量 %2</translation>
    </message>
    <message>
        <source>deepest loss: %1 %2 at %3</source>
        <translation>最大损失：%1 %2，位于 %3</translation>
    </message>
    <message>
        <source>thinnest: %1 %2 at %3</source>
        <translation>最薄：%1 %2，位于 %3</translation>
    </message>
    <message numerus="yes">
        <source>%n cell(s) measured</source>
        <translation>
            <numerusform>已测 %n 个单元</numerusform>
        </translation>
    </message>
    <message>
        <source>survey %1 has no readings on the grid %2; the surveys that have: %3.</source>
        <translation>测量 %1 在网格 %2 上没有读数；有读数的测量：%3。</translation>
    </message>
    <message>
        <source>none</source>
        <translation>无</translation>
    </message>
    <message>
        <source>%1: wall loss from survey %2 to survey %3</source>
        <translation>%1：从测量 %2 到测量 %3 的壁厚损失</translation>
    </message>
    <message>
        <source>%1: survey %2</source>
        <translation>%1：测量 %2</translation>
    </message>
    <message>
        <source>cannot write the map %1: %2</source>
        <translation>无法写入图 %1：%2</translation>
    </message>
    <message>
        <source>--walk takes CORNER-AXIS or CORNER-AXIS-snake: CORNER top-left, top-right, bottom-left or bottom-right, AXIS rows or columns, e.g. bottom-right-columns-snake; &apos;%1&apos; is none.</source>
        <translation>--walk 需要 CORNER-AXIS 或 CORNER-AXIS-snake：CORNER 为 top-left、top-right、bottom-left 或 bottom-right，AXIS 为 rows 或 columns，例如 bottom-right-columns-snake；“%1”不是。</translation>
    </message>
    <message>
        <source>--%1 takes a survey&apos;s number (see survey list); &apos;%2&apos; is none.</source>
        <translation>--%1 需要测量编号（见 survey list）；“%2”不是。</translation>
    </message>
    <message>
        <source>grid define takes either the grid&apos;s shape or --none.</source>
        <translation>grid define 只接受网格尺寸或 --none 之一。</translation>
    </message>
    <message>
        <source>grid define needs --rows R and --columns C (or --none).</source>
        <translation>grid define 需要 --rows 行数 和 --columns 列数（或 --none）。</translation>
    </message>
    <message>
        <source>--rows takes 1 to %1 rows; &apos;%2&apos; is none.</source>
        <translation>--rows 需要 1 至 %1 行；“%2”不是。</translation>
    </message>
    <message>
        <source>--columns takes 1 to %1 columns (A to ZZ); &apos;%2&apos; is none.</source>
        <translation>--columns 需要 1 至 %1 列（A 至 ZZ）；“%2”不是。</translation>
    </message>
    <message>
        <source>--pitch takes the distance between cells in mm, above zero; &apos;%1&apos; is none.</source>
        <translation>--pitch 需要大于零的单元间距（毫米）；“%1”不是。</translation>
    </message>
    <message>
        <source>--mask: &apos;%1&apos; is no cell of a grid of %2 rows by %3 columns (A1 to %4).</source>
        <translation>--mask：“%1”不是 %2 行 × %3 列网格（A1 至 %4）中的单元。</translation>
    </message>
    <message>
        <source>grid place needs --survey ID (see survey list).</source>
        <translation>grid place 需要 --survey 编号（见 survey list）。</translation>
    </message>
    <message>
        <source>--from takes a cell, e.g. B12; &apos;%1&apos; is none.</source>
        <translation>--from 需要一个单元，例如 B12；“%1”不是。</translation>
    </message>
    <message>
        <source>grid place takes --by-name, or a walk (--walk, --from), not both.</source>
        <translation>grid place 接受 --by-name 或走向（--walk、--from），不能同时使用。</translation>
    </message>
    <message>
        <source>--png takes the PNG file to write.</source>
        <translation>--png 需要要写入的 PNG 文件。</translation>
    </message>
    <message>
        <source>--blocks takes rows x columns of cells, e.g. 2x3 (or 2 for whole rows); &apos;%1&apos; is none.</source>
        <translation>--blocks 需要单元的行 x 列，例如 2x3（或 2 表示整行）；“%1”不是。</translation>
    </message>
    <message>
        <source>--area takes the whole area in square metres, above zero; &apos;%1&apos; is none.</source>
        <translation>--area 需要大于零的总面积（平方米）；“%1”不是。</translation>
    </message>
    <message>
        <source>--cells: &apos;%1&apos; is no cell of %2 (A1 to %3).</source>
        <translation>--cells：“%1”不是 %2 中的单元（A1 至 %3）。</translation>
    </message>
    <message>
        <source>--cells takes cells and ranges of the grid, e.g. B2:D9,F3.</source>
        <translation>--cells 需要网格的单元和范围，例如 B2:D9,F3。</translation>
    </message>
    <message>
        <source>team resolve needs the CML as PATH/TAG (team sync lists the conflicts).</source>
        <translation>team resolve 需要以 路径/标签 给出测点（team sync 会列出冲突）。</translation>
    </message>
    <message>
        <source>connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>the team server was set up by a newer version of this program (its version %1, this program&apos;s %2); update this program.</source>
        <translation>团队服务器由本程序的更新版本建立（其版本 %1，本程序 %2）；请更新本程序。</translation>
    </message>
    <message>
        <source>the team server&apos;s tables are older than this program&apos;s (%1, here %2) and only their owner may bring them up: ask the server&apos;s administrator to run &apos;palvarin-cli team status&apos; once.</source>
        <translation>团队服务器的表比本程序的旧（%1，本程序 %2），只有其所有者能升级：请服务器管理员运行一次 &apos;palvarin-cli team status&apos;。</translation>
    </message>
    <message>
        <source>set up its tables</source>
        <translation>建立其数据表</translation>
    </message>
    <message>
        <source>team server: %1, tables at version %2</source>
        <translation>团队服务器：%1，数据表版本 %2</translation>
    </message>
    <message>
        <source>you are an engineer: you add surveys and change CMLs.</source>
        <translation>您是工程师：可添加检测并修改测点。</translation>
    </message>
    <message>
        <source>you are an inspector: you add surveys and readings; CMLs are changed by engineers.</source>
        <translation>您是检测员：可添加检测和读数；测点由工程师修改。</translation>
    </message>
    <message>
        <source>you have no role there yet: ask the server&apos;s administrator to grant you palvarin_inspector or palvarin_engineer.</source>
        <translation>您在服务器上还没有角色：请服务器管理员授予您 palvarin_inspector 或 palvarin_engineer。</translation>
    </message>
    <message>
        <source>read its tables</source>
        <translation>读取其数据表</translation>
    </message>
    <message>
        <source>on the server: %1 assets, %2 CMLs, %3 surveys, %4 readings</source>
        <translation>服务器上：%1 个资产，%2 个测点，%3 次检测，%4 个读数</translation>
    </message>
    <message>
        <source>no survey file yet (%1): &apos;palvarin-cli team sync&apos; makes one.</source>
        <translation>尚无测量文件（%1）：&apos;palvarin-cli team sync&apos; 会创建一个。</translation>
    </message>
    <message>
        <source>this file (%1): %2 readings of %3 surveys to publish, %4 readings to sync, %5 CMLs changed here to publish, %6 conflicts</source>
        <translation>本文件（%1）：待发布 %3 次检测的 %2 个读数，待同步 %4 个读数，待发布本地修改的测点 %5 个，冲突 %6 个</translation>
    </message>
    <message>
        <source>there is no survey file (%1) to publish.</source>
        <translation>没有可发布的测量文件（%1）。</translation>
    </message>
    <message>
        <source>Publishing readings</source>
        <translation>正在发布读数</translation>
    </message>
    <message>
        <source>%1 of %2 readings sent (%3 new to the server).</source>
        <translation>已发送 %2 个读数中的 %1 个（其中 %3 个为服务器新增）。</translation>
    </message>
    <message>
        <source>publishing stopped: %1 What was sent stays; publish again to send the rest.</source>
        <translation>发布已停止：%1 已发送的保留；再次发布即可发送其余部分。</translation>
    </message>
    <message>
        <source>cannot read the survey file %1: %2</source>
        <translation>无法读取测量文件 %1：%2</translation>
    </message>
    <message>
        <source>take the survey file</source>
        <translation>接收测量文件</translation>
    </message>
    <message>
        <source>%1 What was sent stays; publish again to send the rest.</source>
        <translation>%1 已发送的保留；再次发布即可发送其余部分。</translation>
    </message>
    <message>
        <source>published %1 to %2: %3</source>
        <translation>已将 %1 发布到 %2：%3</translation>
    </message>
    <message>
        <source>%1 CMLs changed here were changed on the server too.</source>
        <translation>本地修改的 %1 个测点已同时更新到服务器。</translation>
    </message>
    <message>
        <source>not sent, as only engineers change CMLs: your changes to %1. They stay in this file.</source>
        <translation>未发送，因为只有工程师能修改测点：您对 %1 的修改。这些修改保留在本文件中。</translation>
    </message>
    <message>
        <source>%1 CMLs were changed both here and on the server since the last sync; neither was overwritten:</source>
        <translation>自上次同步以来，有 %1 个测点在本地和服务器上都被修改；两边都未被覆盖：</translation>
    </message>
    <message>
        <source>Choose for each: palvarin-cli team resolve PATH/TAG --keep mine|theirs</source>
        <translation>请逐个选择：palvarin-cli team resolve 路径/标签 --keep mine|theirs</translation>
    </message>
    <message>
        <source>Bringing in surveys</source>
        <translation>正在引入检测</translation>
    </message>
    <message>
        <source>%1 assets, %2 CMLs and %3 routes new here, %4 CMLs took the server&apos;s changes; %5 surveys new here, %6 readings added.</source>
        <translation>本地新增 %1 个资产、%2 个测点和 %3 条路线，%4 个测点采用了服务器的修改；新增 %5 次检测，添加 %6 个读数。</translation>
    </message>
    <message>
        <source>sync stopped: %1 What came stays; sync again for the rest.</source>
        <translation>同步已停止：%1 已收到的保留；再次同步即可获取其余部分。</translation>
    </message>
    <message>
        <source>cannot write the survey file %1: %2</source>
        <translation>无法写入测量文件 %1：%2</translation>
    </message>
    <message>
        <source>&apos;%1&apos; on the team server is another asset, CML or route than the one of that name in %2; rename one of them, then sync again.</source>
        <translation>团队服务器上的“%1”与 %2 中同名的资产、测点或路线不是同一个；请将其中一个改名后再同步。</translation>
    </message>
    <message>
        <source>give its surveys</source>
        <translation>提供其检测</translation>
    </message>
    <message>
        <source>synced %1 from %2: %3</source>
        <translation>已从 %2 同步 %1：%3</translation>
    </message>
    <message>
        <source>there is no CML %1 in %2; give it as PATH/TAG, as team sync lists it.</source>
        <translation>%2 中没有测点 %1；请按 team sync 列出的格式给出 路径/标签。</translation>
    </message>
    <message>
        <source>%1: this file&apos;s fields are now the team&apos;s.</source>
        <translation>%1：本文件的字段现已成为团队的字段。</translation>
    </message>
    <message>
        <source>%1: the server&apos;s fields are now this file&apos;s.</source>
        <translation>%1：服务器的字段现已写入本文件。</translation>
    </message>
    <message>
        <source>%1 was changed on the server again meanwhile; sync, then choose again.</source>
        <translation>%1 在此期间又在服务器上被修改；请先同步，再重新选择。</translation>
    </message>
    <message>
        <source>change a CML</source>
        <translation>修改测点</translation>
    </message>
    <message>
        <source>%1 is in no conflict with the team server; &apos;palvarin-cli team sync&apos; lists the conflicts.</source>
        <translation>%1 与团队服务器没有冲突；&apos;palvarin-cli team sync&apos; 会列出冲突。</translation>
    </message>
    <message>
        <source>the team commands need the server: --team &quot;service=NAME&quot; or a libpq connection string, or set PALVARIN_TEAM.</source>
        <translation>团队命令需要服务器：--team &quot;service=名称&quot; 或 libpq 连接字符串，或设置 PALVARIN_TEAM。</translation>
    </message>
    <message>
        <source>team resolve needs --keep mine or --keep theirs.</source>
        <translation>team resolve 需要 --keep mine 或 --keep theirs。</translation>
    </message>
    <message>
        <source>cannot reach the team server (%1). Check the connection string or service, the network and that the server runs.</source>
        <translation>无法连接团队服务器（%1）。请检查连接字符串或服务名、网络以及服务器是否在运行。</translation>
    </message>
    <message>
        <source>the team server refused to let you %1: your role there does not allow it, or you may not log in. Ask the server&apos;s administrator for the right role (palvarin_inspector or palvarin_engineer). The server said: %2</source>
        <translation>团队服务器拒绝您%1：您在服务器上的角色不允许，或您无法登录。请向服务器管理员申请相应角色（palvarin_inspector 或 palvarin_engineer）。服务器提示：%2</translation>
    </message>
    <message>
        <source>the team server could not %1: %2</source>
        <translation>团队服务器无法%1：%2</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>（无）</translation>
    </message>
    <message>
        <source>the server</source>
        <translation>服务器</translation>
    </message>
    <message>
        <source>the server (%1, %2)</source>
        <translation>服务器（%1，%2）</translation>
    </message>
    <message>
        <source>this file</source>
        <translation>本文件</translation>
    </message>
    <message>
        <source>description</source>
        <translation>描述</translation>
    </message>
    <message>
        <source>nominal</source>
        <translation>公称厚度</translation>
    </message>
    <message>
        <source>minimum</source>
        <translation>最小厚度</translation>
    </message>
    <message>
        <source>allowance</source>
        <translation>腐蚀裕量</translation>
    </message>
    <message>
        <source>material</source>
        <translation>材料</translation>
    </message>
    <message>
        <source>notes</source>
        <translation>备注</translation>
    </message>
    <message>
        <source>design</source>
        <translation>设计参数</translation>
    </message>
</context>
<context>
    <name>CmlDesignForm</name>
    <message>
        <source>Design of the CML</source>
        <translation>测点设计参数</translation>
    </message>
    <message>
        <source>Formula:</source>
        <translation>计算公式：</translation>
    </message>
    <message>
        <source>Pressure and stress in:</source>
        <translation>压力和应力单位：</translation>
    </message>
    <message>
        <source>Lengths in:</source>
        <translation>长度单位：</translation>
    </message>
    <message>
        <source>Temperature in:</source>
        <translation>温度单位：</translation>
    </message>
    <message>
        <source>Design pressure P:</source>
        <translation>设计压力 P：</translation>
    </message>
    <message>
        <source>Diameter D:</source>
        <translation>直径 D：</translation>
    </message>
    <message>
        <source>Inside radius R:</source>
        <translation>内半径 R：</translation>
    </message>
    <message>
        <source>Fill height H:</source>
        <translation>液位高度 H：</translation>
    </message>
    <message>
        <source>Specific gravity G:</source>
        <translation>相对密度 G：</translation>
    </message>
    <message>
        <source>Allowable stress S:</source>
        <translation>许用应力 S：</translation>
    </message>
    <message>
        <source>Joint efficiency E:</source>
        <translation>焊接接头系数 E：</translation>
    </message>
    <message>
        <source>Circumferential joint efficiency:</source>
        <translation>环焊缝焊接接头系数：</translation>
    </message>
    <message>
        <source>as E</source>
        <translation>同 E</translation>
    </message>
    <message>
        <source>Weld strength reduction W:</source>
        <translation>焊接接头强度降低系数 W：</translation>
    </message>
    <message>
        <source>Coefficient Y:</source>
        <translation>系数 Y：</translation>
    </message>
    <message>
        <source>from the table</source>
        <translation>按表取值</translation>
    </message>
    <message>
        <source>Design temperature:</source>
        <translation>设计温度：</translation>
    </message>
    <message>
        <source>Material group:</source>
        <translation>材料类别：</translation>
    </message>
    <message>
        <source>Allowances c:</source>
        <translation>附加裕量 c：</translation>
    </message>
    <message>
        <source>Structural minimum:</source>
        <translation>最小结构厚度：</translation>
    </message>
    <message>
        <source>not given</source>
        <translation>未给出</translation>
    </message>
    <message>
        <source>The structural minimum is not a number.</source>
        <translation>最小结构厚度不是数字。</translation>
    </message>
    <message>
        <source>%1 is not a number.</source>
        <translation>%1 不是数字。</translation>
    </message>
    <message>
        <source>Required thickness = the structural minimum</source>
        <translation>要求厚度 = 最小结构厚度</translation>
    </message>
    <message>
        <source>Pressure design thickness t = %1</source>
        <translation>压力设计厚度 t = %1</translation>
    </message>
    <message>
        <source>Circumferential stress: %1; longitudinal stress: %2</source>
        <translation>按环向应力：%1；按纵向应力：%2</translation>
    </message>
    <message>
        <source>Y = %1</source>
        <translation>Y = %1</translation>
    </message>
    <message>
        <source>Pressure required thickness = %1</source>
        <translation>压力要求厚度 = %1</translation>
    </message>
    <message>
        <source>Structural minimum = %1</source>
        <translation>最小结构厚度 = %1</translation>
    </message>
    <message>
        <source>pressure governs</source>
        <translation>由压力设计控制</translation>
    </message>
    <message>
        <source>structural governs</source>
        <translation>由最小结构厚度控制</translation>
    </message>
    <message>
        <source>Required thickness = %1</source>
        <translation>要求厚度 = %1</translation>
    </message>
    <message>
        <source>Required thickness = %1 (%2)</source>
        <translation>要求厚度 = %1（%2）</translation>
    </message>
    <message>
        <source>No required thickness.</source>
        <translation>无要求厚度。</translation>
    </message>
</context>
<context>
    <name>CmlFiguresView</name>
    <message>
        <source>Required thickness:</source>
        <translation>要求厚度：</translation>
    </message>
    <message>
        <source>Long-term rate:</source>
        <translation>长期腐蚀速率：</translation>
    </message>
    <message>
        <source>Short-term rate:</source>
        <translation>短期腐蚀速率：</translation>
    </message>
    <message>
        <source>Regression rate:</source>
        <translation>回归腐蚀速率：</translation>
    </message>
    <message>
        <source>Governing rate:</source>
        <translation>控制腐蚀速率：</translation>
    </message>
    <message>
        <source>Remaining life:</source>
        <translation>剩余寿命：</translation>
    </message>
    <message>
        <source>Next inspection:</source>
        <translation>下次检测日期：</translation>
    </message>
    <message>
        <source>Marked readings:</source>
        <translation>已标记读数：</translation>
    </message>
    <message>
        <source>Notes:</source>
        <translation>备注：</translation>
    </message>
    <message>
        <source>none</source>
        <translation>无</translation>
    </message>
    <message>
        <source>%1 %2/year</source>
        <translation>%1 %2/年</translation>
    </message>
    <message>
        <source>(came out negative)</source>
        <translation>（计算结果为负）</translation>
    </message>
    <message>
        <source>not known</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>(pressure design, %1)</source>
        <translation>（压力设计，%1）</translation>
    </message>
    <message>
        <source>(structural minimum)</source>
        <translation>（最小结构厚度）</translation>
    </message>
    <message>
        <source>(95 %: %1 to %2)</source>
        <translation>（95%：%1 至 %2）</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1，%2</translation>
    </message>
    <message>
        <source>0 (at or under the required thickness)</source>
        <translation>0（已达到或低于要求厚度）</translation>
    </message>
    <message>
        <source>due now</source>
        <translation>现已到期</translation>
    </message>
    <message>
        <source>%1 undecided, %2 left out of the rates</source>
        <translation>%1 个待处理，%2 个未计入腐蚀速率</translation>
    </message>
</context>
<context>
    <name>CmlForm</name>
    <message>
        <source>New CML</source>
        <translation>新建测点</translation>
    </message>
    <message>
        <source>Tag, unique within the asset</source>
        <translation>位号，同一资产内唯一</translation>
    </message>
    <message>
        <source>not given</source>
        <translation>未给出</translation>
    </message>
    <message>
        <source>Asset:</source>
        <translation>资产：</translation>
    </message>
    <message>
        <source>Tag:</source>
        <translation>位号：</translation>
    </message>
    <message>
        <source>Description:</source>
        <translation>描述：</translation>
    </message>
    <message>
        <source>Nominal thickness:</source>
        <translation>公称厚度：</translation>
    </message>
    <message>
        <source>Minimum thickness:</source>
        <translation>最小要求厚度：</translation>
    </message>
    <message>
        <source>Corrosion allowance:</source>
        <translation>腐蚀裕量：</translation>
    </message>
    <message>
        <source>Material:</source>
        <translation>材质：</translation>
    </message>
</context>
<context>
    <name>CmlHistoryModel</name>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Thickness</source>
        <translation>厚度</translation>
    </message>
    <message>
        <source>Survey</source>
        <translation>检测</translation>
    </message>
    <message>
        <source>Gauge</source>
        <translation>仪器</translation>
    </message>
    <message>
        <source>Inspector</source>
        <translation>检测员</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>备注</translation>
    </message>
    <message>
        <source>Mark</source>
        <translation>标记</translation>
    </message>
</context>
<context>
    <name>CmlJudgementPane</name>
    <message>
        <source>Design…</source>
        <translation>设计参数…</translation>
    </message>
    <message>
        <source>Accept reading</source>
        <translation>接受读数</translation>
    </message>
    <message>
        <source>Leave out reading</source>
        <translation>剔除读数</translation>
    </message>
    <message>
        <source>Clear decision</source>
        <translation>清除处理决定</translation>
    </message>
    <message>
        <source>Make Grid…</source>
        <translation>设为网格…</translation>
    </message>
</context>
<context>
    <name>CmlPicker</name>
    <message>
        <source>Choose a CML</source>
        <translation>选择测点</translation>
    </message>
    <message>
        <source>Assign</source>
        <translation>分配</translation>
    </message>
</context>
<context>
    <name>CmlSummaryModel</name>
    <message>
        <source>CML</source>
        <translation>测点</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>描述</translation>
    </message>
    <message>
        <source>Nominal</source>
        <translation>公称厚度</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>最小厚度</translation>
    </message>
    <message>
        <source>Last reading</source>
        <translation>最新读数</translation>
    </message>
    <message>
        <source>Read on</source>
        <translation>测量时间</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>读数数量</translation>
    </message>
</context>
<context>
    <name>ComparisonDialog</name>
    <message>
        <source>Save the comparison</source>
        <translation>保存对比结果</translation>
    </message>
    <message>
        <source>Tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>%1 already exists. Do you want to replace it?</source>
        <translation>%1 已存在，是否替换？</translation>
    </message>
    <message>
        <source>Compare surveys</source>
        <translation>对比测量</translation>
    </message>
    <message>
        <source>Locations are the record names, as named on the gauge or in the table.</source>
        <translation>位置为记录名称（在仪器上或表格中命名）。</translation>
    </message>
    <message>
        <source>Locations are the record numbers (the No. column): a record&apos;s place in the gauge&apos;s memory, which deleting rows does not change. Measurements the gauge sent by itself have none and are not compared.</source>
        <translation>位置为记录编号（“编号”列）：即记录在仪器存储中的位置，删除行不会改变它。仪器主动发送的读数没有编号，不参与比较。</translation>
    </message>
    <message>
        <source>Minimum thickness</source>
        <translation>最小厚度</translation>
    </message>
    <message>
        <source>none</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Without a minimum there is no remaining life and no next inspection date.</source>
        <translation>未设最小厚度时不计算剩余寿命和下次检测日期。</translation>
    </message>
    <message>
        <source>Inspection interval</source>
        <translation>检测周期</translation>
    </message>
    <message>
        <source> years</source>
        <translation> 年</translation>
    </message>
    <message>
        <source>Layer</source>
        <translation>层</translation>
    </message>
    <message>
        <source>Under the minimum</source>
        <translation>低于最小厚度</translation>
    </message>
    <message>
        <source>Less life left than the interval</source>
        <translation>剩余寿命短于检测周期</translation>
    </message>
    <message>
        <source> thicker than before: the rate is taken as 0</source>
        <translation> 比上次更厚：腐蚀速率按0计</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>报告</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>The survey file is not open.</source>
        <translation>数据文件未打开。</translation>
    </message>
    <message>
        <source>%1 surveys from %2 to %3, gauge %4; thicknesses in %5.</source>
        <translation>%1次测量，%2至%3，仪器%4；厚度单位%5。</translation>
    </message>
    <message>
        <source>%1 surveys selected.</source>
        <translation>已选%1次测量。</translation>
    </message>
    <message>
        <source>Minimum thickness %1 %2; inspection interval %3 years.</source>
        <translation>最小厚度 %1 %2；检测周期 %3 年。</translation>
    </message>
    <message>
        <source>No minimum thickness given: no remaining life and no next inspection date.</source>
        <translation>未设最小厚度：不计算剩余寿命和下次检测日期。</translation>
    </message>
    <message>
        <source>Thickness of layer %1.</source>
        <translation>第%1层厚度。</translation>
    </message>
    <message>
        <source>Save the comparison report</source>
        <translation>保存对比报告</translation>
    </message>
    <message>
        <source>Surveys of %1 compared</source>
        <translation>%1 的测量对比</translation>
    </message>
</context>
<context>
    <name>ComparisonTable</name>
    <message>
        <source>There is no survey %1 in the survey file.</source>
        <translation>测量记录文件中没有记录组 %1。</translation>
    </message>
    <message>
        <source>%1 (%2, gauge %3)</source>
        <translation>%1（%2，仪器 %3）</translation>
    </message>
    <message>
        <source>Survey %1 could not be read: the survey file may be damaged.</source>
        <translation>无法读取记录组 %1：测量记录文件可能已损坏。</translation>
    </message>
    <message>
        <source>Survey %1 has no table layout that can be compared.</source>
        <translation>记录组 %1 的表格布局无法比较。</translation>
    </message>
    <message>
        <source>single-layer</source>
        <translation>单层</translation>
    </message>
    <message>
        <source>multi-layer</source>
        <translation>多层</translation>
    </message>
    <message>
        <source>Survey %1 is in the %2 layout, the others in the %3 layout: they cannot be compared.</source>
        <translation>记录组 %1 为%2布局，其他记录组为%3布局：无法比较。</translation>
    </message>
    <message>
        <source>There is no layer %1: the multi-layer layout has layers 1 to 3.</source>
        <translation>没有第 %1 层：多层布局只有第 1 至 3 层。</translation>
    </message>
    <message>
        <source>The columns of survey %1 cannot be read from the survey file.</source>
        <translation>无法从测量记录文件读取记录组 %1 的列。</translation>
    </message>
    <message>
        <source>/y</source>
        <translation>/年</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Thickness</source>
        <translation>厚度</translation>
    </message>
    <message>
        <source>Wall loss</source>
        <translation>壁厚损失</translation>
    </message>
    <message>
        <source>Long-term rate</source>
        <translation>长期腐蚀速率</translation>
    </message>
    <message>
        <source>Short-term rate</source>
        <translation>短期腐蚀速率</translation>
    </message>
    <message>
        <source>Governing rate</source>
        <translation>控制腐蚀速率</translation>
    </message>
    <message>
        <source>Remaining life
(years)</source>
        <translation>剩余寿命
(年)</translation>
    </message>
    <message>
        <source>Next inspection</source>
        <translation>下次检测日期</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>备注</translation>
    </message>
    <message>
        <source>no wear</source>
        <translation>无减薄</translation>
    </message>
    <message>
        <source>Minimum thickness</source>
        <translation>最小厚度</translation>
    </message>
    <message>
        <source>Longest interval (years)</source>
        <translation>最长检测间隔（年）</translation>
    </message>
</context>
<context>
    <name>ConflictTable</name>
    <message>
        <source>CML</source>
        <translation>测点</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>字段</translation>
    </message>
    <message>
        <source>This file</source>
        <translation>本文件</translation>
    </message>
    <message>
        <source>Server (who, when)</source>
        <translation>服务器（修改人，时间）</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1（%2）</translation>
    </message>
</context>
<context>
    <name>CsvWriter</name>
    <message>
        <source>Out of range</source>
        <translation>超量程</translation>
    </message>
</context>
<context>
    <name>DeleteButtonDelegate</name>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
</context>
<context>
    <name>DemoControl</name>
    <message>
        <source>Emulated gauge</source>
        <translation>模拟仪器</translation>
    </message>
    <message>
        <source>Push a measurement</source>
        <translation>推送测量值</translation>
    </message>
    <message>
        <source>Change settings</source>
        <translation>更改设置</translation>
    </message>
    <message>
        <source>Gauge %1 plugged in</source>
        <translation>仪器%1已连接</translation>
    </message>
    <message>
        <source>Gauge %1 pulled out</source>
        <translation>仪器%1已拔出</translation>
    </message>
    <message>
        <source>Pull out</source>
        <translation>拔出</translation>
    </message>
    <message>
        <source>Plug in</source>
        <translation>插入</translation>
    </message>
</context>
<context>
    <name>DialogButtons</name>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>ExportFlow</name>
    <message>
        <source>The program may not write into the folder %1. Choose another folder, or ask for write access to this one.</source>
        <translation>本程序无权写入文件夹 %1。请选择其他文件夹，或申请该文件夹的写入权限。</translation>
    </message>
    <message>
        <source>The folder %1 is on a read-only disk. Choose a folder on another disk.</source>
        <translation>文件夹 %1 位于只读磁盘上。请选择其他磁盘上的文件夹。</translation>
    </message>
    <message>
        <source>The disk of %1 is full. Free some space on it, or choose a folder on another disk.</source>
        <translation>%1 所在的磁盘已满。请释放磁盘空间，或选择其他磁盘上的文件夹。</translation>
    </message>
    <message>
        <source>%1 is a folder, not a file. Type a file name.</source>
        <translation>%1 是文件夹而不是文件。请输入文件名。</translation>
    </message>
    <message>
        <source>The folder %1 does not exist. Choose an existing folder.</source>
        <translation>文件夹 %1 不存在。请选择已有的文件夹。</translation>
    </message>
    <message>
        <source>The table has more rows than this file type holds. Save it as CSV.</source>
        <translation>表格的行数超过了该文件类型的容量。请保存为CSV文件。</translation>
    </message>
    <message>
        <source>The system reported: %1.</source>
        <translation>系统报告：%1。</translation>
    </message>
    <message>
        <source>Save Data to Excel</source>
        <translation>保存数据到Excel</translation>
    </message>
    <message>
        <source>Tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>%1 already exists. Do you want to replace it?</source>
        <translation>%1 已存在，是否替换？</translation>
    </message>
    <message>
        <source>Exporting data success!</source>
        <translation>导出数据成功！</translation>
    </message>
    <message>
        <source>Exporting data failed, do you want to save the data again?</source>
        <translation>导出数据失败，是否重新保存数据？</translation>
    </message>
    <message>
        <source>Exporting data, please wait...</source>
        <translation>正在导出数据，请等待……</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>FieldDecoder</name>
    <message>
        <source>Outrange</source>
        <translation>超量程</translation>
    </message>
</context>
<context>
    <name>FirstPage</name>
    <message>
        <source>Instrument Information</source>
        <translation>仪器信息</translation>
    </message>
    <message>
        <source>SN:</source>
        <translation>SN号：</translation>
    </message>
    <message>
        <source>Version:</source>
        <translation>版本号：</translation>
    </message>
    <message>
        <source>Layers Shown</source>
        <translation>层数显示</translation>
    </message>
    <message>
        <source>Read Records</source>
        <translation>读取测量记录</translation>
    </message>
    <message>
        <source>Clear Data</source>
        <translation>清除数据</translation>
    </message>
    <message>
        <source>Export Excel</source>
        <translation>导出Excel</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>撤销</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>检测报告</translation>
    </message>
    <message>
        <source>Charts</source>
        <translation>图表</translation>
    </message>
    <message>
        <source>History</source>
        <translation>历史数据</translation>
    </message>
    <message>
        <source>Assets…</source>
        <translation>资产…</translation>
    </message>
    <message>
        <source>Assets, CMLs and their readings, and the surveys</source>
        <translation>资产、测点及其读数，以及各次检测</translation>
    </message>
    <message>
        <source>Assign</source>
        <translation>分配</translation>
    </message>
    <message>
        <source>Assign to…</source>
        <translation>分配到…</translation>
    </message>
    <message>
        <source>Assign by Name…</source>
        <translation>按名称分配…</translation>
    </message>
    <message>
        <source>Assign by Route…</source>
        <translation>按路线分配…</translation>
    </message>
    <message>
        <source>Undo Assignment</source>
        <translation>撤销分配</translation>
    </message>
    <message>
        <source>Walk…</source>
        <translation>巡检…</translation>
    </message>
    <message>
        <source>Walk a route with the gauge: each reading judged at its CML</source>
        <translation>用仪器巡检一条路线：每个读数都在其测点当场评定</translation>
    </message>
    <message>
        <source>Team…</source>
        <translation>团队…</translation>
    </message>
    <message>
        <source>Share the survey file with the team&apos;s server: publish, sync, live</source>
        <translation>与团队服务器共享测量文件：发布、同步、实时</translation>
    </message>
</context>
<context>
    <name>GaugeError</name>
    <message>
        <source>no error</source>
        <translation>无错误</translation>
    </message>
    <message>
        <source>no gauge was found</source>
        <translation>未找到仪器</translation>
    </message>
    <message>
        <source>the gauge is in use by another program</source>
        <translation>仪器正被其他程序占用</translation>
    </message>
    <message>
        <source>the gauge could not be opened</source>
        <translation>无法打开仪器</translation>
    </message>
    <message>
        <source>the connection to the gauge is not open</source>
        <translation>与仪器的连接未打开</translation>
    </message>
    <message>
        <source>the gauge was disconnected</source>
        <translation>仪器已断开连接</translation>
    </message>
    <message>
        <source>reading from the gauge failed</source>
        <translation>从仪器读取数据失败</translation>
    </message>
    <message>
        <source>sending to the gauge failed</source>
        <translation>向仪器发送数据失败</translation>
    </message>
    <message>
        <source>the gauge did not answer in time</source>
        <translation>仪器未及时应答</translation>
    </message>
    <message>
        <source>the gauge&apos;s answer was damaged (wrong checksum)</source>
        <translation>仪器的应答已损坏（校验和错误）</translation>
    </message>
    <message>
        <source>the gauge&apos;s answer did not fit the request</source>
        <translation>仪器的应答与请求不符</translation>
    </message>
    <message>
        <source>the gauge answered with an error</source>
        <translation>仪器应答了错误</translation>
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
        <translation>单位表 &apos;unitno&apos; 缺失、无法使用（过大、二进制或已损坏）或其中没有此仪器的单位，无法显示记录。请将完好的单位表放在程序所在文件夹或 ~/.config/Palvarin/ 中。</translation>
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
    <name>GridFillWindow</name>
    <message>
        <source>Fill Grid</source>
        <translation>填充网格</translation>
    </message>
    <message>
        <source>Fill Grid %1</source>
        <translation>填充网格 %1</translation>
    </message>
    <message>
        <source>Measure: each reading lands in the outlined cell (a reading named after a cell lands in that cell). Click a cell to go on from there; right-click a filled cell to move its reading.</source>
        <translation>开始测量：每个读数放入框出的单元（以单元命名的读数放入该单元）。单击某个单元可从那里继续；右键单击已填单元可移动其读数。</translation>
    </message>
    <message>
        <source>Next: %1</source>
        <translation>下一个：%1</translation>
    </message>
    <message>
        <source>Walk done: every cell has its turn.</source>
        <translation>走向已完成：每个单元都已轮到。</translation>
    </message>
    <message>
        <source>Click the cell the reading of %1 belongs in.</source>
        <translation>请单击 %1 的读数应属的单元。</translation>
    </message>
    <message>
        <source>The reading could not be moved to %1.</source>
        <translation>读数无法移到 %1。</translation>
    </message>
    <message>
        <source>%1 is not measured: choose another cell.</source>
        <translation>%1 不测量：请选择其他单元。</translation>
    </message>
    <message>
        <source>Move reading to…</source>
        <translation>移动读数到…</translation>
    </message>
</context>
<context>
    <name>GridForm</name>
    <message>
        <source>Grid of %1</source>
        <translation>%1 的网格</translation>
    </message>
    <message>
        <source>Make %1 a grid</source>
        <translation>将 %1 设为网格</translation>
    </message>
    <message>
        <source> mm</source>
        <translation> mm</translation>
    </message>
    <message>
        <source>not given</source>
        <translation>未给出</translation>
    </message>
    <message>
        <source>Top left (A1)</source>
        <translation>左上（A1）</translation>
    </message>
    <message>
        <source>Top right</source>
        <translation>右上</translation>
    </message>
    <message>
        <source>Bottom left</source>
        <translation>左下</translation>
    </message>
    <message>
        <source>Bottom right</source>
        <translation>右下</translation>
    </message>
    <message>
        <source>Along rows</source>
        <translation>逐行</translation>
    </message>
    <message>
        <source>Along columns</source>
        <translation>逐列</translation>
    </message>
    <message>
        <source>Straight</source>
        <translation>同向</translation>
    </message>
    <message>
        <source>Snaking</source>
        <translation>蛇形</translation>
    </message>
    <message>
        <source>rows ×</source>
        <translation>行 ×</translation>
    </message>
    <message>
        <source>Size:</source>
        <translation>尺寸：</translation>
    </message>
    <message>
        <source>Pitch:</source>
        <translation>间距：</translation>
    </message>
    <message>
        <source>Walk from:</source>
        <translation>走向起点：</translation>
    </message>
    <message>
        <source>Click cells that are not measured (a nozzle, a support) to leave them out:</source>
        <translation>单击不测量的单元（接管、支座）将其排除：</translation>
    </message>
    <message>
        <source>columns (A…%1)</source>
        <translation>列（A…%1）</translation>
    </message>
    <message numerus="yes">
        <source>%n cell(s) left out</source>
        <translation>
            <numerusform>已排除 %n 个单元</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>GridMap</name>
    <message>
        <source>Wall loss (%1)</source>
        <translation>壁厚损失（%1）</translation>
    </message>
    <message>
        <source>Thickness (%1)</source>
        <translation>厚度（%1）</translation>
    </message>
    <message>
        <source>not measured</source>
        <translation>未测</translation>
    </message>
    <message>
        <source>masked</source>
        <translation>已屏蔽</translation>
    </message>
    <message>
        <source>There is no grid to draw.</source>
        <translation>没有可绘制的网格。</translation>
    </message>
    <message>
        <source>The image has no size.</source>
        <translation>图像没有尺寸。</translation>
    </message>
</context>
<context>
    <name>GridMapView</name>
    <message>
        <source>%1: masked</source>
        <translation>%1：已屏蔽</translation>
    </message>
    <message>
        <source>%1: not measured</source>
        <translation>%1：未测</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>%1: %2, %3</source>
        <translation>%1：%2，%3</translation>
    </message>
    <message>
        <source>No grid to draw.</source>
        <translation>没有可绘制的网格。</translation>
    </message>
</context>
<context>
    <name>GridPane</name>
    <message>
        <source>Survey:</source>
        <translation>测量：</translation>
    </message>
    <message>
        <source>Wall loss from:</source>
        <translation>壁厚损失起点：</translation>
    </message>
    <message>
        <source>&lt;b&gt;Thinnest wall over the area (unseen minimum)&lt;/b&gt;</source>
        <translation>&lt;b&gt;整个区域的最薄壁厚（未测到的最小值）&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Sample blocks (rows × columns, 0: whole rows):</source>
        <translation>样本块（行 × 列，0：整行）：</translation>
    </message>
    <message>
        <source>Total area (0: the grid&apos;s own):</source>
        <translation>总面积（0：网格自身）：</translation>
    </message>
    <message>
        <source>Save Map as PNG…</source>
        <translation>将图保存为 PNG…</translation>
    </message>
    <message>
        <source>Define Grid…</source>
        <translation>定义网格…</translation>
    </message>
    <message>
        <source>Fill from Gauge…</source>
        <translation>从仪器填充…</translation>
    </message>
    <message>
        <source>the grid&apos;s own</source>
        <translation>网格自身</translation>
    </message>
    <message>
        <source>none (thickness)</source>
        <translation>无（厚度）</translation>
    </message>
    <message>
        <source>No readings on this grid yet.</source>
        <translation>此网格上还没有读数。</translation>
    </message>
    <message>
        <source>No cell measured in this survey.</source>
        <translation>本次测量没有已测单元。</translation>
    </message>
    <message>
        <source>Deepest loss: %1, %2 (%3 of %4 cells measured).</source>
        <translation>最大损失：%1，%2（已测 %3/%4 个单元）。</translation>
    </message>
    <message>
        <source>Thinnest cell: %1, %2 (%3 of %4 cells measured).</source>
        <translation>最薄单元：%1，%2（已测 %3/%4 个单元）。</translation>
    </message>
    <message>
        <source>cells</source>
        <translation>个单元</translation>
    </message>
    <message>
        <source>the nominal thickness</source>
        <translation>公称厚度</translation>
    </message>
    <message>
        <source>the thickest reading</source>
        <translation>最厚读数</translation>
    </message>
    <message>
        <source>From %1 blocks of %2 cells (%3 %4 each) over %5 %4, losses counted from %6; %7 cells measured.</source>
        <translation>基于 %1 个样本块，每块 %2 个单元（每块 %3 %4），总面积 %5 %4，损失以%6为基准；已测 %7 个单元。</translation>
    </message>
    <message>
        <source>No estimate: %1</source>
        <translation>无估计：%1</translation>
    </message>
    <message>
        <source>Expected thinnest: %1 (95 % interval %2 to %3); thinnest measured %4 at %5.</source>
        <translation>预期最薄：%1（95 % 区间 %2 至 %3）；实测最薄 %4，位于 %5。</translation>
    </message>
    <message>
        <source>Click a cell to see its readings.</source>
        <translation>单击单元查看其读数。</translation>
    </message>
    <message>
        <source>Readings of %1:</source>
        <translation>%1 的读数：</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>out of range</source>
        <translation>超出量程</translation>
    </message>
    <message>
        <source>never measured</source>
        <translation>从未测量</translation>
    </message>
    <message>
        <source>Save Map as PNG</source>
        <translation>将图保存为 PNG</translation>
    </message>
    <message>
        <source>PNG images (*.png)</source>
        <translation>PNG 图像 (*.png)</translation>
    </message>
    <message>
        <source>The map could not be saved: %1</source>
        <translation>图无法保存：%1</translation>
    </message>
    <message>
        <source>Only cells:</source>
        <translation>仅这些单元：</translation>
    </message>
    <message>
        <source>all, or e.g. B2:D9,F3</source>
        <translation>全部，或如 B2:D9,F3</translation>
    </message>
    <message>
        <source>No estimate: &apos;%1&apos; is no cell of this grid.</source>
        <translation>无估计：“%1”不是此网格的单元。</translation>
    </message>
</context>
<context>
    <name>GridWords</name>
    <message>
        <source>No survey file is open for writing: readings could not be kept in the grid.</source>
        <translation>没有可写入的测量文件：读数无法保存到网格中。</translation>
    </message>
    <message>
        <source>This CML is not a grid survey area (or is not in the survey file).</source>
        <translation>此测点不是网格测量区域（或不在测量文件中）。</translation>
    </message>
    <message>
        <source>That cell is outside the grid or masked.</source>
        <translation>该单元在网格之外或已屏蔽。</translation>
    </message>
    <message>
        <source>The survey file could not be written; the reading is kept but not placed in the grid.</source>
        <translation>无法写入测量文件；读数已保存，但未放入网格。</translation>
    </message>
    <message>
        <source>That reading is not one of this grid&apos;s.</source>
        <translation>该读数不属于此网格。</translation>
    </message>
</context>
<context>
    <name>HistoryDialog</name>
    <message>
        <source>Saved readings</source>
        <translation>历史数据</translation>
    </message>
    <message>
        <source>Filter: date, serial, meter type</source>
        <translation>筛选：日期、序列号、仪器类型</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Gauge</source>
        <translation>仪器序列号</translation>
    </message>
    <message>
        <source>Meter type</source>
        <translation>仪器类型</translation>
    </message>
    <message>
        <source>Rows</source>
        <translation>条数</translation>
    </message>
    <message>
        <source>Exported</source>
        <translation>已导出</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Compare</source>
        <translation>对比</translation>
    </message>
    <message>
        <source>Select two or more sessions (Ctrl+click) to compare their thicknesses.</source>
        <translation>按住Ctrl选择两次或多次测量，对比其厚度。</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>single layer</source>
        <translation>单层</translation>
    </message>
    <message>
        <source>multi layer</source>
        <translation>多层</translation>
    </message>
    <message>
        <source>Select two or more sessions to compare (hold Ctrl to select more than one).</source>
        <translation>请选择两次或多次测量进行对比（按住Ctrl可多选）。</translation>
    </message>
    <message>
        <source>, </source>
        <extracomment>Between the serial numbers of a list of gauges.</extracomment>
        <translation>、</translation>
    </message>
    <message>
        <source>The selected surveys come from different gauges (%1). A difference between gauges reads as wear. Compare them anyway?</source>
        <translation>所选测量来自不同的仪器（%1）。仪器之间的差异会被当作减薄。仍要比较吗？</translation>
    </message>
    <message>
        <source>The readings of this session could not be read from the survey file.</source>
        <translation>无法从数据文件读取该记录。</translation>
    </message>
    <message>
        <source>Shown read-only while a gauge is connected; disconnect it to open the readings in the table and export them.</source>
        <translation>连接仪器时仅以只读方式显示；断开仪器后可在表格中打开并导出。</translation>
    </message>
    <message>
        <source>Delete these readings from the history for good?</source>
        <translation>确定从历史中永久删除该记录吗？</translation>
    </message>
    <message>
        <source>These readings are in the table now, or the survey file cannot be written: they were not deleted.</source>
        <translation>该记录正显示在表格中，或数据文件无法写入：未删除。</translation>
    </message>
</context>
<context>
    <name>JudgementWords</name>
    <message>
        <source>Accepted</source>
        <translation>已接受</translation>
    </message>
    <message>
        <source>%1, accepted</source>
        <translation>%1，已接受</translation>
    </message>
    <message>
        <source>Left out</source>
        <translation>已剔除</translation>
    </message>
    <message>
        <source>%1, left out</source>
        <translation>%1，已剔除</translation>
    </message>
    <message>
        <source>None (the structural minimum only)</source>
        <translation>无（仅最小结构厚度）</translation>
    </message>
    <message>
        <source>never</source>
        <translation>无限</translation>
    </message>
    <message>
        <source>%1 years</source>
        <translation>%1 年</translation>
    </message>
</context>
<context>
    <name>Language</name>
    <message>
        <source>English</source>
        <extracomment>The name of this catalogue&apos;s language, written in that language (Deutsch, Français, ...).</extracomment>
        <translation>中文</translation>
    </message>
</context>
<context>
    <name>LimitsEditor</name>
    <message>
        <source>Thickness limits:</source>
        <translation>厚度限值：</translation>
    </message>
    <message>
        <source>Nominal</source>
        <translation>公称</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>最小</translation>
    </message>
    <message>
        <source>Tolerance</source>
        <translation>公差</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>optional</source>
        <translation>可不填</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>Clear limits</source>
        <translation>清除限值</translation>
    </message>
    <message>
        <source>Layer %1</source>
        <translation>第%1层</translation>
    </message>
    <message>
        <source> (no limits)</source>
        <translation>（无限值）</translation>
    </message>
    <message>
        <source>Each layer is judged by its own limits; a layer without limits is not judged.</source>
        <translation>每层按各自的限值判定；无限值的层不判定。</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Fill Grid</source>
        <translation>填充网格</translation>
    </message>
    <message>
        <source>Team</source>
        <translation>团队</translation>
    </message>
    <message>
        <source>There is no survey file to share: the readings are not kept.</source>
        <translation>没有可共享的测量文件：读数未被保存。</translation>
    </message>
    <message>
        <source>Team server: a reading stays for the next publish (%1).</source>
        <translation>团队服务器：一个读数留待下次发布（%1）。</translation>
    </message>
    <message>
        <source>Team server: live sharing stopped (%1).</source>
        <translation>团队服务器：实时共享已停止（%1）。</translation>
    </message>
</context>
<context>
    <name>NewCmlsDialog</name>
    <message>
        <source>New CMLs</source>
        <translation>新建测点</translation>
    </message>
    <message>
        <source>No CML has these names. Create the ticked ones as CMLs and assign their readings?</source>
        <translation>没有测点使用这些名称。是否将勾选的名称创建为测点并分配其读数？</translation>
    </message>
    <message>
        <source>Under asset:</source>
        <translation>所属资产：</translation>
    </message>
    <message>
        <source>Create and Assign</source>
        <translation>创建并分配</translation>
    </message>
    <message>
        <source>Leave Them</source>
        <translation>保持不变</translation>
    </message>
</context>
<context>
    <name>PdfReport</name>
    <message>
        <source>Ultrasonic thickness inspection report</source>
        <translation>超声波测厚检测报告</translation>
    </message>
    <message>
        <source>Company</source>
        <translation>公司</translation>
    </message>
    <message>
        <source>Inspector</source>
        <translation>检测员</translation>
    </message>
    <message>
        <source>Qualification</source>
        <translation>资质</translation>
    </message>
    <message>
        <source>Location / asset</source>
        <translation>地点/设备</translation>
    </message>
    <message>
        <source>Procedure</source>
        <translation>检测规程</translation>
    </message>
    <message>
        <source>Probe</source>
        <translation>探头</translation>
    </message>
    <message>
        <source>Calibration block</source>
        <translation>校准试块</translation>
    </message>
    <message>
        <source>Gauge serial number</source>
        <translation>仪器序列号</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>固件版本</translation>
    </message>
    <message>
        <source>Meter type</source>
        <translation>仪器型号</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Units</source>
        <translation>单位</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>测量记录数</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>备注</translation>
    </message>
    <message>
        <source>Limits</source>
        <translation>限值</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>统计</translation>
    </message>
    <message>
        <source>Readings per band</source>
        <translation>各区间测量数</translation>
    </message>
    <message>
        <source>Comparison of surveys</source>
        <translation>测量对比</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>第 %1 页，共 %2 页</translation>
    </message>
    <message>
        <source>Cell colours of the readings:</source>
        <translation>测量值单元格颜色：</translation>
    </message>
    <message>
        <source>Inspection report</source>
        <translation>检测报告</translation>
    </message>
</context>
<context>
    <name>PlacesWords</name>
    <message>
        <source>Site</source>
        <translation>厂区</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>装置</translation>
    </message>
    <message>
        <source>Equipment</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>Circuit</source>
        <translation>管线回路</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>The survey file cannot be written.</source>
        <translation>无法写入测量文件。</translation>
    </message>
    <message>
        <source>It is no longer in the survey file.</source>
        <translation>它已不在测量文件中。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not in the survey file.</source>
        <translation>测量文件中没有“%1”。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is taken already.</source>
        <translation>“%1”已被使用。</translation>
    </message>
    <message>
        <source>A tag must not be empty or contain &quot;/&quot;.</source>
        <translation>位号不能为空，也不能包含“/”。</translation>
    </message>
    <message>
        <source>No access</source>
        <translation>无法到达</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>已跳过</translation>
    </message>
</context>
<context>
    <name>RecordEdits</name>
    <message>
        <source>delete row %1</source>
        <translation>删除第%1行</translation>
    </message>
    <message>
        <source>delete %1 rows</source>
        <translation>删除%1行</translation>
    </message>
    <message>
        <source>rename &quot;%1&quot;</source>
        <translation>重命名&quot;%1&quot;</translation>
    </message>
    <message>
        <source>clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation>撤销%1</translation>
    </message>
</context>
<context>
    <name>RecordsModel</name>
    <message>
        <source>No.</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Thickness</source>
        <translation>厚度</translation>
    </message>
    <message>
        <source>Sound Velocity</source>
        <translation>声速</translation>
    </message>
    <message>
        <source>Operation</source>
        <translation>操作</translation>
    </message>
    <message>
        <source>Test Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>1st Layer Thickness</source>
        <translation>第1层厚度</translation>
    </message>
    <message>
        <source>2nd Layer Thickness</source>
        <translation>第2层厚度</translation>
    </message>
    <message>
        <source>3rd Layer Thickness</source>
        <translation>第3层厚度</translation>
    </message>
    <message>
        <source>1st Sound Velocity</source>
        <translation>第1层声速</translation>
    </message>
    <message>
        <source>2nd Sound Velocity</source>
        <translation>第2层声速</translation>
    </message>
    <message>
        <source>3rd Sound Velocity</source>
        <translation>第3层声速</translation>
    </message>
</context>
<context>
    <name>RecordsTable</name>
    <message>
        <source>Connect the gauge by USB, or start with --demo to try the program.</source>
        <translation>请用USB线连接仪器，或用 --demo 启动本程序试用。</translation>
    </message>
    <message>
        <source>%1 new readings ↓</source>
        <translation>%1条新读数 ↓</translation>
    </message>
</context>
<context>
    <name>ReportAnalysis</name>
    <message>
        <source>Layer %1: </source>
        <translation>第%1层：</translation>
    </message>
    <message>
        <source>no limits, not judged</source>
        <translation>无限值，不判定</translation>
    </message>
    <message>
        <source>nominal </source>
        <translation>公称值 </translation>
    </message>
    <message>
        <source>minimum </source>
        <translation>最小值 </translation>
    </message>
    <message>
        <source>tolerance </source>
        <translation>公差 </translation>
    </message>
    <message>
        <source>maximum </source>
        <translation>最大值 </translation>
    </message>
    <message>
        <source>, </source>
        <comment>between two limits</comment>
        <translation>，</translation>
    </message>
    <message>
        <source>Reading</source>
        <translation>测量序号</translation>
    </message>
    <message>
        <source>Run chart: </source>
        <translation>趋势图：</translation>
    </message>
    <message>
        <source>Count</source>
        <translation>数量</translation>
    </message>
    <message>
        <source>Out of range</source>
        <translation>超量程</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>最小值</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>最大值</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>平均值</translation>
    </message>
    <message>
        <source>Range</source>
        <translation>极差</translation>
    </message>
    <message>
        <source>Std. dev.</source>
        <translation>标准差</translation>
    </message>
    <message>
        <source>Every figure is computed from the readings as the table shows them (rounded to the column&apos;s decimals).</source>
        <translation>所有统计值均按表格显示的读数（按列的小数位取整）计算。</translation>
    </message>
</context>
<context>
    <name>ReportDialog</name>
    <message>
        <source>Inspection report</source>
        <translation>检测报告</translation>
    </message>
    <message>
        <source>Company</source>
        <translation>公司</translation>
    </message>
    <message>
        <source>Inspector</source>
        <translation>检测员</translation>
    </message>
    <message>
        <source>Qualification</source>
        <translation>资质</translation>
    </message>
    <message>
        <source>Location / asset</source>
        <translation>地点/设备</translation>
    </message>
    <message>
        <source>Procedure</source>
        <translation>检测规程</translation>
    </message>
    <message>
        <source>Probe</source>
        <translation>探头</translation>
    </message>
    <message>
        <source>Calibration block</source>
        <translation>校准试块</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>备注</translation>
    </message>
    <message>
        <source>Logo image (optional)</source>
        <translation>徽标图片（可选）</translation>
    </message>
    <message>
        <source>Path of a PNG or JPEG file</source>
        <translation>PNG或JPEG文件的路径</translation>
    </message>
    <message>
        <source>Create report</source>
        <translation>生成报告</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Writing the report, please wait...</source>
        <translation>正在生成报告，请等待……</translation>
    </message>
    <message>
        <source>Writing the report failed.</source>
        <translation>生成报告失败。</translation>
    </message>
    <message>
        <source>Tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>The report was saved as %1.</source>
        <translation>报告已保存为 %1。</translation>
    </message>
    <message>
        <source>The logo image could not be read and was left out.</source>
        <translation>无法读取徽标图片，报告中未包含徽标。</translation>
    </message>
</context>
<context>
    <name>ReportFacts</name>
    <message>
        <source>single layer</source>
        <translation>单层</translation>
    </message>
    <message>
        <source>multi layer</source>
        <translation>多层</translation>
    </message>
</context>
<context>
    <name>RoutePicker</name>
    <message>
        <source>Assign by Route</source>
        <translation>按路线分配</translation>
    </message>
    <message>
        <source>Route:</source>
        <translation>路线：</translation>
    </message>
    <message>
        <source>The readings go to the stops in order. Tick the stops left out on this survey.</source>
        <translation>读数按顺序分配给路线上的测点。请勾选本次检测中略过的测点。</translation>
    </message>
    <message>
        <source>Assign</source>
        <translation>分配</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>the meter table</source>
        <translation>仪表配置表</translation>
    </message>
    <message>
        <source>the unit table</source>
        <translation>单位表</translation>
    </message>
    <message>
        <source>%1 &apos;%2&apos; was not found; it is looked up in: %3.</source>
        <translation>未找到%1 &apos;%2&apos;；查找位置：%3。</translation>
    </message>
    <message>
        <source>%1 %2 cannot be used (larger than 1 MB, binary or damaged).</source>
        <translation>%1 %2 无法使用（超过1 MB、二进制或已损坏）。</translation>
    </message>
    <message>
        <source>Gauges cannot be identified or their records shown until each is replaced by a good copy (see the README).</source>
        <translation>在换上完好的文件之前，无法识别仪器或显示其记录（见README）。</translation>
    </message>
    <message>
        <source>Device already opened! Palvarin is already running.</source>
        <translation>设备已打开！Palvarin 已在运行。</translation>
    </message>
</context>
<context>
    <name>StatisticsPanel</name>
    <message>
        <source>Column</source>
        <translation>列</translation>
    </message>
    <message>
        <source>Count</source>
        <translation>数量</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>最小值</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>最大值</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>平均值</translation>
    </message>
    <message>
        <source>Range</source>
        <translation>极差</translation>
    </message>
    <message>
        <source>Std. dev.</source>
        <translation>标准差</translation>
    </message>
    <message>
        <source>Out of range</source>
        <translation>超量程</translation>
    </message>
    <message>
        <source>row %1</source>
        <translation>第%1行</translation>
    </message>
    <message>
        <source>Statistics of the %1 selected rows (of %2)</source>
        <translation>统计：已选 %1 行（共 %2 行）</translation>
    </message>
    <message>
        <source>Statistics of all %1 rows</source>
        <translation>统计：全部 %1 行</translation>
    </message>
    <message>
        <source>, from the readings as shown</source>
        <translation>（按显示的读数计算）</translation>
    </message>
    <message>
        <source>Every figure is computed from the readings as the table shows them (rounded to the column&apos;s decimals).</source>
        <translation>所有统计值均按表格显示的读数（按列的小数位取整）计算。</translation>
    </message>
    <message>
        <source>All rows</source>
        <translation>统计全部行</translation>
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
<context>
    <name>SurveyForm</name>
    <message>
        <source>Survey %1</source>
        <translation>检测 %1</translation>
    </message>
    <message>
        <source>(not said)</source>
        <translation>（未指定）</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>（无）</translation>
    </message>
    <message>
        <source>Taken:</source>
        <translation>测量于：</translation>
    </message>
    <message>
        <source>Asset:</source>
        <translation>资产：</translation>
    </message>
    <message>
        <source>Route:</source>
        <translation>路线：</translation>
    </message>
    <message>
        <source>Inspector:</source>
        <translation>检测员：</translation>
    </message>
    <message>
        <source>Notes:</source>
        <translation>备注：</translation>
    </message>
</context>
<context>
    <name>SurveyListModel</name>
    <message>
        <source>Survey</source>
        <translation>检测</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Gauge</source>
        <translation>仪器</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>读数数量</translation>
    </message>
    <message>
        <source>Assigned</source>
        <translation>已分配</translation>
    </message>
    <message>
        <source>Asset</source>
        <translation>资产</translation>
    </message>
    <message>
        <source>Route</source>
        <translation>路线</translation>
    </message>
    <message>
        <source>Inspector</source>
        <translation>检测员</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>备注</translation>
    </message>
</context>
<context>
    <name>TableReport</name>
    <message>
        <source>Tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>There is nothing to report: the table is empty.</source>
        <translation>没有可写入报告的数据：表格为空。</translation>
    </message>
    <message>
        <source>Save the inspection report</source>
        <translation>保存检测报告</translation>
    </message>
</context>
<context>
    <name>TeamDialog</name>
    <message>
        <source>Team server</source>
        <translation>团队服务器</translation>
    </message>
    <message>
        <source>A libpq connection string or service=NAME. For TLS, give libpq&apos;s sslmode, e.g. host=db.plant sslmode=verify-full.</source>
        <translation>libpq 连接字符串或 service=名称。如需 TLS，请给出 libpq 的 sslmode，例如 host=db.plant sslmode=verify-full。</translation>
    </message>
    <message>
        <source>Server</source>
        <translation>服务器</translation>
    </message>
    <message>
        <source>Publish</source>
        <translation>发布</translation>
    </message>
    <message>
        <source>Sync</source>
        <translation>同步</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Live</source>
        <translation>实时</translation>
    </message>
    <message>
        <source>Keep mine</source>
        <translation>保留本地</translation>
    </message>
    <message>
        <source>Keep theirs</source>
        <translation>采用服务器</translation>
    </message>
    <message>
        <source>Changed both here and on the server since the last sync. Select a CML, then keep this file&apos;s fields or the server&apos;s.</source>
        <translation>自上次同步以来本地和服务器上都有修改。请选择一个测点，然后保留本文件的字段或采用服务器的字段。</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>正在连接...</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 / %2</translation>
    </message>
</context>
<context>
    <name>TeamWords</name>
    <message>
        <source>Cannot reach the team server. Check the connection, the network and that the server runs.</source>
        <translation>无法连接团队服务器。请检查连接、网络以及服务器是否在运行。</translation>
    </message>
    <message>
        <source>The team server refused to let you %1: your role there does not allow it, or you may not log in. Ask the server&apos;s administrator for the right role (palvarin_inspector or palvarin_engineer).</source>
        <translation>团队服务器拒绝您%1：您在服务器上的角色不允许，或您无法登录。请向服务器管理员申请相应角色（palvarin_inspector 或 palvarin_engineer）。</translation>
    </message>
    <message>
        <source>The team server could not %1.</source>
        <translation>团队服务器无法%1。</translation>
    </message>
    <message>
        <source>The server said: %1</source>
        <translation>服务器提示：%1</translation>
    </message>
    <message>
        <source>%1 of %2 readings sent (%3 new to the server).</source>
        <translation>已发送 %2 个读数中的 %1 个（其中 %3 个为服务器新增）。</translation>
    </message>
    <message>
        <source>What was sent stays; publish again to send the rest.</source>
        <translation>已发送的保留；再次发布即可发送其余部分。</translation>
    </message>
    <message>
        <source>Publishing cancelled:</source>
        <translation>发布已取消：</translation>
    </message>
    <message>
        <source>The survey file could not be read: %1</source>
        <translation>无法读取测量文件：%1</translation>
    </message>
    <message>
        <source>The team server was set up by a newer version of this program; update this program to publish.</source>
        <translation>团队服务器由本程序的更新版本建立；请更新本程序后再发布。</translation>
    </message>
    <message>
        <source>take the survey file</source>
        <translation>接收测量文件</translation>
    </message>
    <message>
        <source>Published: the server already had everything in this file.</source>
        <translation>已发布：服务器已有本文件中的全部内容。</translation>
    </message>
    <message>
        <source>Published:</source>
        <translation>已发布：</translation>
    </message>
    <message>
        <source>CMLs changed here that are now the team&apos;s: %1.</source>
        <translation>本地修改并已成为团队版本的测点：%1。</translation>
    </message>
    <message>
        <source>Not sent, as only engineers change CMLs: your changes to %1. They stay in this file.</source>
        <translation>未发送，因为只有工程师能修改测点：您对 %1 的修改。这些修改保留在本文件中。</translation>
    </message>
    <message>
        <source>%1 surveys and %2 readings came in; %3 assets, %4 CMLs and %5 routes are new here; %6 CMLs took the server&apos;s changes.</source>
        <translation>收到 %1 次检测和 %2 个读数；本地新增 %3 个资产、%4 个测点和 %5 条路线；%6 个测点采用了服务器的修改。</translation>
    </message>
    <message>
        <source>Sync cancelled:</source>
        <translation>同步已取消：</translation>
    </message>
    <message>
        <source>What came stays; sync again for the rest.</source>
        <translation>已收到的保留；再次同步即可获取其余部分。</translation>
    </message>
    <message>
        <source>The survey file could not be written: %1</source>
        <translation>无法写入测量文件：%1</translation>
    </message>
    <message>
        <source>&apos;%1&apos; on the team server is another asset, CML or route than the one of that name in this file; rename one of them, then sync again.</source>
        <translation>团队服务器上的“%1”与本文件中同名的资产、测点或路线不是同一个；请将其中一个改名后再同步。</translation>
    </message>
    <message>
        <source>The team server was set up by a newer version of this program; update this program to sync.</source>
        <translation>团队服务器由本程序的更新版本建立；请更新本程序后再同步。</translation>
    </message>
    <message>
        <source>The team server&apos;s tables are older than this program&apos;s and only their owner may bring them up: ask the server&apos;s administrator to run &apos;palvarin-cli team status&apos; once.</source>
        <translation>团队服务器的表比本程序的旧，只有其所有者能升级：请服务器管理员运行一次 &apos;palvarin-cli team status&apos;。</translation>
    </message>
    <message>
        <source>give its surveys</source>
        <translation>提供其检测</translation>
    </message>
    <message>
        <source>Synced: nothing new on the server.</source>
        <translation>已同步：服务器上没有新内容。</translation>
    </message>
    <message>
        <source>Synced:</source>
        <translation>已同步：</translation>
    </message>
    <message>
        <source>CMLs changed both here and on the server since the last sync: %1. Neither was overwritten; choose below which to keep.</source>
        <translation>自上次同步以来在本地和服务器上都被修改的测点：%1。两边都未被覆盖；请在下方选择保留哪一个。</translation>
    </message>
    <message>
        <source>%1: this file&apos;s fields are now the team&apos;s.</source>
        <translation>%1：本文件的字段现已成为团队的字段。</translation>
    </message>
    <message>
        <source>%1: the server&apos;s fields are now this file&apos;s.</source>
        <translation>%1：服务器的字段现已写入本文件。</translation>
    </message>
    <message>
        <source>%1 was changed on the server again meanwhile; sync again, then choose.</source>
        <translation>%1 在此期间又在服务器上被修改；请再次同步后再选择。</translation>
    </message>
    <message>
        <source>%1: the server refused; only engineers may make their fields the team&apos;s. Keep the server&apos;s, or ask an engineer (palvarin_engineer).</source>
        <translation>%1：服务器拒绝；只有工程师能让自己的字段成为团队版本。请采用服务器的字段，或请工程师（palvarin_engineer）处理。</translation>
    </message>
    <message>
        <source>change %1</source>
        <translation>修改 %1</translation>
    </message>
    <message>
        <source>%1: the survey file refused the change: %2</source>
        <translation>%1：测量文件拒绝了修改：%2</translation>
    </message>
    <message>
        <source>Live: what others publish comes into this file as they publish it.</source>
        <translation>实时：他人发布的内容会随即进入本文件。</translation>
    </message>
    <message>
        <source>Not live.</source>
        <translation>未开启实时。</translation>
    </message>
    <message>
        <source>Live stopped: %1</source>
        <translation>实时已停止：%1</translation>
    </message>
    <message>
        <source>listen for the team&apos;s surveys</source>
        <translation>监听团队的检测</translation>
    </message>
    <message>
        <source>Readings from the team at %1: %2.</source>
        <translation>%1 收到团队读数：%2。</translation>
    </message>
    <message>
        <source>Give the team server&apos;s connection first.</source>
        <translation>请先填写团队服务器的连接。</translation>
    </message>
    <message>
        <source>A team job is already under way; wait for it or cancel it.</source>
        <translation>已有一项团队任务在进行；请等待其完成或取消。</translation>
    </message>
    <message>
        <source>Publishing this file to the team server...</source>
        <translation>正在将本文件发布到团队服务器...</translation>
    </message>
    <message>
        <source>Syncing this file from the team server...</source>
        <translation>正在从团队服务器同步本文件...</translation>
    </message>
    <message>
        <source>Making this file&apos;s fields of %1 the team&apos;s...</source>
        <translation>正在将本文件中 %1 的字段设为团队版本...</translation>
    </message>
    <message>
        <source>Taking the server&apos;s fields of %1 into this file...</source>
        <translation>正在将服务器上 %1 的字段写入本文件...</translation>
    </message>
    <message>
        <source>%1 is in no conflict the last sync found; sync again to see the conflicts as they are now.</source>
        <translation>上次同步未发现 %1 有冲突；请再次同步以查看当前的冲突。</translation>
    </message>
    <message>
        <source>Cancelling: the job stops after the step under way.</source>
        <translation>正在取消：任务将在当前步骤完成后停止。</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1，%2</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>（无）</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>描述</translation>
    </message>
    <message>
        <source>Nominal</source>
        <translation>公称厚度</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>最小厚度</translation>
    </message>
    <message>
        <source>Allowance</source>
        <translation>腐蚀裕量</translation>
    </message>
    <message>
        <source>Material</source>
        <translation>材料</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>备注</translation>
    </message>
    <message>
        <source>Design</source>
        <translation>设计参数</translation>
    </message>
    <message>
        <source>All fields</source>
        <translation>全部字段</translation>
    </message>
</context>
<context>
    <name>TrendPlot</name>
    <message>
        <source>Thickness (%1)</source>
        <translation>厚度（%1）</translation>
    </message>
    <message>
        <source>Counted</source>
        <translation>计入</translation>
    </message>
    <message>
        <source>Marked</source>
        <translation>已标记</translation>
    </message>
    <message>
        <source>Left out</source>
        <translation>未计入</translation>
    </message>
    <message>
        <source>Fitted line, 95 % confidence band</source>
        <translation>回归线，95% 置信带</translation>
    </message>
    <message>
        <source>Required thickness</source>
        <translation>要求厚度</translation>
    </message>
    <message>
        <source>Projected date</source>
        <translation>预测达限日期</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>No readings</source>
        <translation>无读数</translation>
    </message>
</context>
<context>
    <name>TrendView</name>
    <message>
        <source>out of range</source>
        <translation>超量程</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>No readings to draw.</source>
        <translation>没有可绘制的读数。</translation>
    </message>
</context>
<context>
    <name>WalkChooser</name>
    <message>
        <source>Walk:</source>
        <translation>巡检：</translation>
    </message>
    <message>
        <source>Inspector:</source>
        <translation>检测员：</translation>
    </message>
    <message>
        <source>Start Walk</source>
        <translation>开始巡检</translation>
    </message>
    <message>
        <source>Route %1</source>
        <translation>路线 %1</translation>
    </message>
    <message>
        <source>Asset %1 (its CMLs by tag)</source>
        <translation>资产 %1（其测点按标签排序）</translation>
    </message>
</context>
<context>
    <name>WalkStopText</name>
    <message>
        <source>measure again</source>
        <translation>复测</translation>
    </message>
    <message>
        <source>waiting</source>
        <translation>等待中</translation>
    </message>
    <message>
        <source>measured</source>
        <translation>已测</translation>
    </message>
    <message>
        <source>accepted</source>
        <translation>已接受</translation>
    </message>
    <message>
        <source>skipped: %1</source>
        <translation>已跳过：%1</translation>
    </message>
    <message>
        <source>—</source>
        <translation>—</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>stop %1 of %2</source>
        <translation>第 %1 站，共 %2 站</translation>
    </message>
    <message>
        <source>Last: %1 on %2</source>
        <translation>上次：%1（%2）</translation>
    </message>
    <message>
        <source>Last: none</source>
        <translation>上次：无</translation>
    </message>
    <message>
        <source>Expected today: %1</source>
        <translation>今日预期：%1</translation>
    </message>
    <message>
        <source>Band: —</source>
        <translation>范围：—</translation>
    </message>
    <message>
        <source>Band: %1 – %2 %3</source>
        <translation>范围：%1 – %2 %3</translation>
    </message>
    <message>
        <source>Required: %1</source>
        <translation>要求：%1</translation>
    </message>
    <message>
        <source>%1 (accepted)</source>
        <translation>%1（已接受）</translation>
    </message>
</context>
<context>
    <name>WalkView</name>
    <message>
        <source>No walk started</source>
        <translation>尚未开始巡检</translation>
    </message>
    <message>
        <source>Route done</source>
        <translation>路线已完成</translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation>%1 — %2</translation>
    </message>
</context>
<context>
    <name>WalkWindow</name>
    <message>
        <source>Skip: choose why (1–6), Esc to go on</source>
        <translation>跳过：选择原因（1–6），按 Esc 继续</translation>
    </message>
    <message>
        <source>Say why in the note, then press Enter</source>
        <translation>请在备注中说明原因，然后按回车</translation>
    </message>
    <message>
        <source>Route done: every stop accepted or skipped.</source>
        <translation>路线已完成：每一站均已接受或跳过。</translation>
    </message>
    <message>
        <source>Walk a Route</source>
        <translation>巡检路线</translation>
    </message>
    <message>
        <source>Walk: %1</source>
        <translation>巡检：%1</translation>
    </message>
    <message>
        <source>Accept
(Enter)</source>
        <translation>接受
（回车）</translation>
    </message>
    <message>
        <source>Re-measure
(R)</source>
        <translation>复测
（R）</translation>
    </message>
    <message>
        <source>Skip…
(S)</source>
        <translation>跳过…
（S）</translation>
    </message>
    <message>
        <source>Back
(B)</source>
        <translation>返回
（B）</translation>
    </message>
    <message>
        <source>Undo
(U)</source>
        <translation>撤销
（U）</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>Why (for Other)</source>
        <translation>原因（选“其他”时）</translation>
    </message>
    <message>
        <source>Tolerance:</source>
        <translation>公差：</translation>
    </message>
    <message>
        <source>Sound</source>
        <translation>声音</translation>
    </message>
    <message>
        <source>Beep when a reading is not OK</source>
        <translation>读数不正常时发出提示音</translation>
    </message>
</context>
<context>
    <name>WalkWords</name>
    <message>
        <source>no access</source>
        <translation>无法到达</translation>
    </message>
    <message>
        <source>insulated</source>
        <translation>有保温层</translation>
    </message>
    <message>
        <source>obstructed</source>
        <translation>有遮挡</translation>
    </message>
    <message>
        <source>too hot</source>
        <translation>温度过高</translation>
    </message>
    <message>
        <source>unsafe</source>
        <translation>不安全</translation>
    </message>
    <message>
        <source>other</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>No survey file is open for writing: readings could not be kept, so the walk cannot start.</source>
        <translation>没有可写入的测量文件：读数无法保存，因此不能开始巡检。</translation>
    </message>
    <message>
        <source>The route or asset is not in the survey file.</source>
        <translation>测量文件中没有该路线或资产。</translation>
    </message>
    <message>
        <source>It has no CMLs to walk.</source>
        <translation>它没有可巡检的测点。</translation>
    </message>
    <message>
        <source>Connect the gauge first: there is no survey to note this in yet.</source>
        <translation>请先连接仪器：还没有可记录此操作的测量。</translation>
    </message>
    <message>
        <source>The survey file could not be written; the readings are kept, the walk&apos;s log may be incomplete.</source>
        <translation>无法写入测量文件；读数已保存，但巡检日志可能不完整。</translation>
    </message>
    <message>
        <source>Nothing to undo.</source>
        <translation>没有可撤销的操作。</translation>
    </message>
    <message>
        <source>Not now: take a reading first, or there is no stop before this one.</source>
        <translation>现在不行：请先测一个读数，或者此站之前没有其他站。</translation>
    </message>
</context>
<context>
    <name>XlsxWriter</name>
    <message>
        <source>Records</source>
        <comment>the sheet of the rows</comment>
        <translation>记录</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>统计</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>序列号</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>固件版本</translation>
    </message>
    <message>
        <source>Meter type</source>
        <translation>仪器型号</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Records</source>
        <comment>how many rows</comment>
        <translation>记录数</translation>
    </message>
    <message>
        <source>Count</source>
        <translation>数量</translation>
    </message>
    <message>
        <source>Out of range</source>
        <translation>超量程</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>最小值</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>最大值</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>平均值</translation>
    </message>
    <message>
        <source>Standard deviation</source>
        <translation>标准差</translation>
    </message>
    <message>
        <source>Every figure is computed from the readings as the table shows them.</source>
        <translation>所有统计值均按表格显示的读数计算。</translation>
    </message>
</context>
</TS>
