<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>BusFamilyTexts</name>
    <message>
        <source>一次</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>BusListTexts</name>
    <message>
        <source>地址</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>名称</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>类型</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>启用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>地址须为 1 到 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未知的仪表类型“%1”</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>启用须为“是”或“否”</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>列数多于 4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>地址 %1 重复</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CheckTexts</name>
    <message>
        <source>、</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>本次采集没有%1的数据</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相电压缺失或偏低</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>全部相电压</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>三相电压均接近零：电压没有接入，或电压回路的熔断器、开关断开。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1相电压为零而另两相电压接近线电压：三线制（V 形）接线接在了按三相四线设置的仪表上，%1相接在了中性线端子上；检查仪表的接线方式设置和电压接线。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1相电压缺失：检查该相电压线、熔断器和端子是否断开或松脱。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1相电压比其他两相低 %2：检查该相电压端子的接触，或供电本身是否偏低。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>三相电压都在，彼此相近。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>三相均为零，无法计算不平衡度。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>；不平衡度 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>线电压与相电压</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>全部相电压和线电压</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>U%1=%2 V（按 120° 应为 %3 V）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>；最大偏差 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>线电压与相电压相符（约为相电压的 √3 倍）。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相电压与线电压相当：三线制接线接在了按三相四线设置的仪表上，或仪表的中性线没有接；检查接线方式设置和中性线。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>线电压不等于 √3 倍相电压：中性线断开或没有接（中性点偏移），或三线制接线按四线制设置；检查中性线和接线方式。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相序</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>本仪表不报告电压相角，相序无法判断。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>全部相角和相电压</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>有一相电压缺失，相序无法判断。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正相序（A-B-C）。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>逆相序（A-C-B）：交换任意两相的电压线（连同对应的电流线），或检查供电的相序。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相间角度与 120° 相差较多：检查电压接线，或相角寄存器的读法。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>频率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>f=%1 Hz，额定 %2 Hz，偏差 %3 Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>频率正常。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>频率偏离额定值：确认额定频率（50/60 Hz）选得对，或检查电源。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>有功功率方向</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>全部分相有功功率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>三相都没有负荷，功率方向无法判断。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>各相有功功率均为正（从电网取电）。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>各相有功功率均为负：或者三相电流互感器（CT）都接反了，或者负载确实在向电网送电（发电、反送电）；两种情况都要在现场确认。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1相有功功率为负而其他相为正：%1相电流互感器（CT）极性接反，检查该相 CT 的 S1/S2 接线方向。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1相有功功率为负，功率角与其他相相差约 120°：%1相的电流接错了相（电流线与电压线不同相，例如两相电流线对调），检查电流线的相别。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>功率角一致性</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>全部分相有功和无功功率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无负荷</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>有负荷的相少于两相，无法比较功率角。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>；最大偏离 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>各相功率角相近，电流与各自的电压同相。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1相功率角与其他相相差约 180°：该相 CT 极性接反。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1相功率角与其他相相差约 120°：该相电流接在了别的相上，检查电流线相别。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1相功率角与其他相相差较大：检查该相电流是否与电压同相，或该相负载本身不同。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>问题在仪表本身、它的倍率设置或寄存器映射（读错了寄存器）。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>（无功功率按与有功功率相同的倍率计，即 kvar）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>全部分相值和总值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Σ%1=%2 %3，总量 %4 %3，差 %5（允许 %6）%7</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>分相之和与总量相符。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>分相之和与总量不符：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>视在功率与 P、Q</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>总有功、总无功和视在功率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>S=%1 %2，√(P²+Q²)=%3 %2%4（允许 %5）%6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>，各相 S 之和=%1 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>视在功率与有功、无功功率相符。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>视在功率与有功、无功功率不符：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>P 与 U·I·cosφ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>任何一相的电压、电流和功率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>各相功率与电压、电流相符。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1相 U·I 与功率不符（约 %2 倍）：电流或电压的倍率（CT、PT 变比）设置有误，或读错了寄存器；检查仪表的变比设置。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>功率因数与 P/S</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>功率因数、总有功和视在功率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>视在功率为零，功率因数无从比较。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PF=%1，|P|/S=%2（允许差 %3）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>功率因数与 P/S 相符（不比较正负号）。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>功率因数与 P/S 不符：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正常</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>注意</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>异常</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无数据</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>工程默认值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相电压偏低（占其余两相平均）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>工程默认值；GB/T 12325-2008 允许 220 V 偏差 +7 %/−10 %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相电压缺失（占其余两相平均）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无电压</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电压不平衡度 注意</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GB/T 15543-2008 正常限值 2 %（此处按最大偏差/平均值计）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电压不平衡度 异常</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GB/T 15543-2008 短时限值 4 %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电流不平衡度 注意</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>工程默认值（配电运维常用的 15 % 负荷不平衡限值）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电流不平衡度 异常</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无负荷（占最大一相 S）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>功率角偏离 注意</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>功率角偏离 异常</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相角容差（120°/180°/240° 附近）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>线电压与 √3 倍相电压 注意</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>线电压与 √3 倍相电压 异常</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>计算一致性容差（另加显示分辨率）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>工程默认值（1 级仪表的准确度）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>频率偏差 注意</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GB/T 15945-2008 正常限值 ±0.2 Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>频率偏差 异常</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GB/T 15945-2008 小容量系统限值 ±0.5 Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电压不平衡度</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>三相电压平衡。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>三相电压不平衡：检查电压接线和端子；若接线无误，是供电侧的不平衡。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电流不平衡度</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>三相电流平衡。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>三相电流不平衡：多为各相负荷不均；若某相电流明显偏小，检查该相 CT 和电流线是否开路或短接。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ΣP 与总有功功率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ΣQ 与总无功功率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正常：接线与读数相符。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无数据：本次采集没有可分析的数值。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MeterFamilyTexts</name>
    <message>
        <source>嵌入式多功能电力仪表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导轨式电力仪表</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OutcomeTexts</name>
    <message>
        <source>非法功能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>非法数据地址</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>非法数据值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>从站设备故障</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>确认（从站正在处理）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>从站设备忙</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>存储奇偶校验错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>网关路径不可用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>网关目标设备无响应</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未知的异常代码</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正常</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无应答</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>校验错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>异常应答</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>格式错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>迟到</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PhasorTexts</name>
    <message>
        <source> 无数据</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> 假定</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> 无相角</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电压：外圆 = %1 V（粗线）；电流：内圆 = %2 A（细线）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>虚线：本仪表不报告电压相角，按理想的 0°/−120°/+120° 假定</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PortAdviceTexts</name>
    <message>
        <source>波特率无效：应为 1 到 %1 之间的整数，例如 9600。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>校验位无效：应为 N（无）、E（偶）、O（奇）、M（标记）或 S（空格）。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数据位无效：应为 5、6、7 或 8。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>停止位无效：应为 1、1.5 或 2，且 1.5 位停止位只能配 5 位数据位。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口设置应为“波特率,校验位,数据位,停止位”，例如 9600,N,8,1。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>进程号 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1，进程号 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>，计算机 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>这个串口号没有对应的设备：请插上串口转换器，或选择别的串口号。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设备 %1 不存在：串口转换器可能没有插上或已拔出，请插上后再打开串口。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有权限打开 %1：请把当前用户加入 dialout 组（sudo usermod -aG dialout $USER），然后注销并重新登录。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口被其他程序占用%1：请先关闭该程序，或选择别的串口号。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口号无效：请从列表中选择一个串口号。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口已打开：请先关闭串口，再换串口号。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口没有打开：请先打开串口。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设备 %1 已断开：请检查串口转换器和连线，然后重新打开串口。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法打开 %1。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法打开 %1（系统的说明：%2）。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ReadingTexts</name>
    <message>
        <source>二次</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecordingTable</name>
    <message>
        <source>时间</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>采集方式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>发送请求数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正确应答数</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ReportTexts</name>
    <message>
        <source>&lt;h2&gt;仪表调试报告&lt;/h2&gt;&lt;table cellspacing=&apos;0&apos; cellpadding=&apos;2&apos;&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仪表类型</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仪表地址</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>报告时间</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数据时间</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>还没有采集</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;/table&gt;&lt;p&gt;&lt;b&gt;结论：&lt;/b&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;h3&gt;读数&lt;/h3&gt;&lt;table border=&apos;1&apos; cellspacing=&apos;0&apos; cellpadding=&apos;2&apos; width=&apos;100%&apos;&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无数据</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;h3&gt;相量图&lt;/h3&gt;&lt;p&gt;&lt;img src=&apos;%1&apos; width=&apos;330&apos; height=&apos;330&apos;&gt;&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;h3&gt;接线与读数检查&lt;/h3&gt;&lt;table border=&apos;1&apos; cellspacing=&apos;0&apos; cellpadding=&apos;2&apos; width=&apos;100%&apos;&gt;&lt;tr&gt;&lt;th&gt;检查&lt;/th&gt;&lt;th&gt;结论&lt;/th&gt;&lt;th&gt;测量值&lt;/th&gt;&lt;th&gt;可能原因与现场检查&lt;/th&gt;&lt;/tr&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;h3&gt;通信计数&lt;/h3&gt;&lt;p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仪表调试报告 - </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仪表测试</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ServiceTexts</name>
    <message>
        <source>仪表测试</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TrendTexts</name>
    <message>
        <source>需量</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电压</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电流</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>功率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>功率因数与频率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>度</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相角</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>其他</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>开关量</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>闭合</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>断开</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::AboutDialog</name>
    <message>
        <source>仪表测试 MeterTest</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>版本 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>经 RS-485 以 Modbus RTU 读取三相电力仪表的测试工具</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>本程序是自由软件，按 GNU 通用公共许可证第 3 版或（任选）更新的版本
（GPL-3.0-or-later）发布。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>本程序不提供任何担保（NO WARRANTY），详见许可证全文。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Qt 版本：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口链接文件夹：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关闭</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关于仪表测试</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::AcquisitionEngine</name>
    <message>
        <source>串口没有打开</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::AnalysisWindow</name>
    <message>
        <source>三相分析</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>接线与读数检查</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>检查</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>结论</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测量值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>可能原因与现场检查</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>阈值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>单位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>来源</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>检查(&amp;K)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>阈值(&amp;L)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>额定频率(&amp;F)：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>额定频率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>复制相量图(&amp;C)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>复制相量图</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存相量图(&amp;S)…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存相量图</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>结论：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>等待采集：每次采集结束后刷新。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第 %1 次采集（%2），请求 %3，正常 %4；本次没有刷新的数值按无数据处理。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>双击或按 F2 修改</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1”不是有效的阈值，已恢复原值。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 改为 %2 %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相量图已复制。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>/相量图.png</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PNG 图片 (*.png)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相量图已保存：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相量图没有保存：%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::BusPoller</name>
    <message>
        <source>串口写入失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>等待</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>在线</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>离线</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>停用</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::BusTableModel</name>
    <message>
        <source>上一轮没有更新</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>地址</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>名称</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>类型</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>启用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>状态</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相电压 V</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>总有功 kW</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>功率因数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>频率 Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>响应 ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>平均 ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正常</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无应答</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>校验错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>异常</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>格式错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>迟到</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>接线</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::BusWindow</name>
    <message>
        <source>总线巡检</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第 %1 轮用时 %2 ms，线路时间下限 %3 ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>巡检已停止：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>记录(&amp;R)…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>记录已停止：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>开始巡检(&amp;S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>巡检间隔</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>尽快</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>每 %1 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>显示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>全部</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>只看有问题的</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>只看离线的</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>间隔(&amp;I)：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>显示(&amp;F)：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>地址</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>类型</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>名称</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>名称，如 1#进线柜</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>添加(&amp;A)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>删除(&amp;D)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入(&amp;O)…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出(&amp;E)…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>地址：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仪表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1#进线柜总表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>巡检状态</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>地址 %1 已在列表中</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入巡检列表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv);;所有文件 (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出巡检列表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>巡检列表.csv</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出失败：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>巡检记录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>巡检_%1.csv</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法记录：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>总线巡检 - com%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>巡检列表无法保存：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法读取 %1：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入 %1 台仪表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>，跳过 %1 行：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第 %1 行（%2）：%3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已导出 %1 台仪表到 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>列表中没有仪表：请添加、导入，或从搜索结果加入</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口无法关闭，巡检没有开始</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口打不开，巡检没有开始：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>巡检 com%1，%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>停止巡检(&amp;S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>停止巡检</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>开始巡检</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>时间</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相电压(V)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>总有功(kW)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>功率因数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>频率(Hz)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>结果</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>停止记录(&amp;R)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>记录到 %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::DurableCsvFile</name>
    <message>
        <source>磁盘已满</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件夹不存在</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>记录文件或其所在的文件夹、介质已不存在</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写入太慢，记录跟不上</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>存储介质无响应，正在写入的一行可能不完整</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写入失败：%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::LineDiagnostics</name>
    <message>
        <source>仪表应答约 %1 ms，超过本画面 %2 ms 的等待：应答被算作迟到。请提高波特率，或减小仪表自身的应答延时设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仪表异常应答（代码 %1）：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请求 %1  正常 %2  无应答 %3  校验错误 %4  异常 %5  格式错误 %6  迟到 %7  响应 %8/%9 ms  自 %10</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::MonitorWindow</name>
    <message>
        <source>无对应请求</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>搜索仪表(&amp;S)…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>总线巡检(&amp;B)…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件(&amp;F)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>查看(&amp;V)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>工具(&amp;T)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>通信监视(&amp;M)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>重置计数(&amp;R)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>趋势图(&amp;T)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>三相分析(&amp;A)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>恢复默认设置(&amp;D)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已恢复默认设置：下次启动时按默认设置开始，本次不再保存设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关于仪表测试(&amp;A)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出调试报告(&amp;E)…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>退出(&amp;X)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>趋势图 - </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>三相分析 - </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>com%1，%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出调试报告</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PDF 文件 (*.pdf)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>-报告.pdf</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>调试报告已导出：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>调试报告没有导出：%1
%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>加入趋势图</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>退      出</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::PanelMeterWindow</name>
    <message>
        <source>相电压Uan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相电压Ubn</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相电压Ucn</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>有功功率Pa</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>有功功率Pb</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>有功功率Pc</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>总有功率P</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正有功电能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>线电压Uab</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>线电压Ubc</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>线电压Uca</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无功功率Qa</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无功功率Qb</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无功功率Qc</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>总无功功率Q</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>负有功电能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电流Ia</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电流Ib</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电流Ic</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>功率因数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电网频率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>视在功率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正无功电能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>负无功电能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仪表检测数据</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>开关量输出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>开关量输入</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>一次</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>二次</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>一次数据采集</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关闭一次数据采集</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>二次数据采集</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关闭二次数据采集</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::PhasorView</name>
    <message>
        <source>相量图</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::PortPanel</name>
    <message>
        <source>仪表参数选择</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口通信选择</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仪表地址：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>波特率：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>com：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>校验位：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数据位：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>停止位：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>com%1：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仪表地址无效</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>所选串口无效</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>com%1：未找到对应设备</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开串口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关闭串口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无效端口号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口已经打开</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口已断开</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::RailMeterWindow</name>
    <message>
        <source>相电压Uan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>线电压Uab</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电流Ia</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>视在功率A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相电压Ubn</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>线电压Ubc</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电流Ib</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>视在功率B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相电压Ucn</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>线电压Uca</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电流Ic</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>视在功率C</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>有功功率Pa</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无功功率Qa</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AB电位相位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>度</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>视在功率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>有功功率Pb</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无功功率Qb</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>BC电位相位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>功率因数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>有功功率Pc</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无功功率Qc</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CA电位相位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电网频率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>总有功率P</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>总无功功率Q</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前总
有功电能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前总尖
有功电能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前总峰
有功电能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前总平
有功电能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前总谷
有功电能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前正向总
有功电能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前反向总
有功电能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前总
无功电能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前正向总
无功电能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前反向总
无功电能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电压最大
需求量</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电压最大需量
发生时间</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电流最大
需求量</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电流最大需量
发生时间</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>最近电能
清零时间</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仪表检测数据</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数据采集</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关闭数据采集</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>二次数据采集</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关闭二次数据采集</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::RecordingController</name>
    <message>
        <source>开始记录(&amp;R)…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>停止记录(&amp;S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>开始记录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法开始记录：%1。
文件：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>记录已停止：%1。
文件：%2
已写入 %3 行。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>记录中：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>，%1 行</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::SearchDialog</name>
    <message>
        <source>搜索仪表 - </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>波特率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>校验位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无校验 N</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>偶校验 E</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>奇校验 O</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数据位 8，停止位 1（仪表使用 8 位数据）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>地址范围(&amp;A)：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>起始地址</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>结束地址</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>至</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>应答超时(&amp;T)：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>应答超时</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>自动</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>自动：按波特率计算，应答的传输时间加 %1 ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>找到一台即停止(&amp;F)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>开始搜索(&amp;S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>取消搜索(&amp;C)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>搜索进度</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>搜索结果</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>地址</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仪表类型</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>响应时间 (ms)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>使用(&amp;U)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>把选中仪表的地址、波特率和校验位填入串口面板</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关闭</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>加入巡检(&amp;B)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>把选中的仪表加入总线巡检的列表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>全部加入巡检</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>把找到的所有仪表加入总线巡检的列表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>com%1（未找到对应设备）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>com%1（%2）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口面板所选的串口无效：请先选一个串口。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在 %1 上搜索</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>在 %1 上搜索</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请至少选一个波特率和一个校验位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>共 %1 次试读，最长约 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法搜索：请至少选一个波特率和一个校验位。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法搜索：本程序没有可供搜索使用的串口组件。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>com%1 关不掉，无法搜索。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数据采集已停止。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>搜索期间 com%1 由搜索使用，结束后按原设置重新打开。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>搜索期间串口面板暂停使用。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>剩余不到 1 秒</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>剩余最多约 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在试 %1，地址 %2；%3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>（非本窗口类型）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>搜索完毕，找到 %1 台仪表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>，另有 %1 条其他应答</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>，跳过 %1 组串口设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已找到一台仪表，搜索停止。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>搜索已取消。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口已按原设置重新打开。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口没能重新打开。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数据采集已停止，需要时请重新开始。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>注意：地址 %1 上是%2，本窗口监视的是%3。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已填入串口面板：地址 %1，%2。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口没能按新设置重新打开。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口已按新设置重新打开。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开串口后按此通信。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已把 %1 台仪表加入总线巡检。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不到 1 秒</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 分 %2 秒</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 小时 %2 分</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仪表（类型未能确定）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>其他设备（异常应答 %1）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>校验错误：可能波特率或校验位不符</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>应答不完整：可能波特率或校验位不符</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>应答来迟：请加大应答超时</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口不接受此设置，已跳过</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 没有对应的设备：串口不存在或已拔出，无法搜索。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2，无法搜索。%3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正被其他程序占用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不允许本用户打开</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 在搜索中断开了（设备已拔出或已关闭）。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>所选串口无效：请在串口面板中选一个串口。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 不接受这组串口设置，无法搜索。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 无法使用，搜索中止。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::StartScreen</name>
    <message>
        <source>请选择仪表类型：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仪表类型</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>进入</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>退出</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::StatusLamp</name>
    <message>
        <source>串口状态</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口已打开</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口已关闭</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::SwitchPanelView</name>
    <message>
        <source>开关量输出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>开关量输入</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2：%3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>闭合</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>断开</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::TrafficModel</name>
    <message>
        <source>发送</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>接收</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>（无）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>时间</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>方向</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数据（十六进制）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>结果</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>响应时间 (ms)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>（串口已关闭）</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::TrafficWindow</name>
    <message>
        <source>通信监视 - %1 - %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>通信监视</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>通信帧列表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>接收</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>异常应答 04 从站设备故障</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>响应时间 (ms)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存通信记录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>/通信记录.txt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>暂停(&amp;P)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>暂停</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>清空(&amp;L)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>清空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>复制(&amp;C)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>复制所选行</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存(&amp;S)…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>继续(&amp;P)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>继续</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>共 %1 帧</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>，较早的 %1 帧已舍弃</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>，已暂停（未显示 %1 帧）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>；</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已保存到 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存失败：%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mt::TrendWindow</name>
    <message>
        <source>趋势图</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>时间</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>时间范围(&amp;R)：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>时间范围</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 分钟</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>10 分钟</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 小时</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>8 小时</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>全部</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>回到实时(&amp;L)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>回到实时</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>框选缩放(&amp;Z)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>框选缩放</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出(&amp;E)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>图片，窗口大小(&amp;P)…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>图片，2 倍大小(&amp;2)…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>单击曲线区放置光标；拖动平移，滚轮缩放；键盘：←→ 平移，+− 缩放，Home 回到实时。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>；</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出趋势数据</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存趋势图</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PNG 图片 (*.png)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>趋势.csv</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>趋势.png</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已保存：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有保存：%1 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>状态 (0/1)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
