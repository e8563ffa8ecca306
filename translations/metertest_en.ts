<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>BusFamilyTexts</name>
    <message>
        <source>一次</source>
        <translation>primary</translation>
    </message>
</context>
<context>
    <name>BusListTexts</name>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>启用</source>
        <translation>Enabled</translation>
    </message>
    <message>
        <source>地址须为 1 到 %1</source>
        <translation>the address must be 1 to %1</translation>
    </message>
    <message>
        <source>未知的仪表类型“%1”</source>
        <translation>unknown meter type &quot;%1&quot;</translation>
    </message>
    <message>
        <source>启用须为“是”或“否”</source>
        <translation>enabled must be &quot;是&quot; or &quot;否&quot; (yes or no)</translation>
    </message>
    <message>
        <source>列数多于 4</source>
        <translation>more than 4 columns</translation>
    </message>
    <message>
        <source>地址 %1 重复</source>
        <translation>address %1 twice</translation>
    </message>
    <message>
        <source>嵌入式</source>
        <translation>Panel-mount</translation>
    </message>
    <message>
        <source>导轨式</source>
        <translation>DIN-rail</translation>
    </message>
</context>
<context>
    <name>CheckTexts</name>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>本次采集没有%1的数据</source>
        <translation>This reading does not have %1</translation>
    </message>
    <message>
        <source>相电压缺失或偏低</source>
        <translation>Phase voltage missing or low</translation>
    </message>
    <message>
        <source>全部相电压</source>
        <translation>all phase voltages</translation>
    </message>
    <message>
        <source>三相电压均接近零：电压没有接入，或电压回路的熔断器、开关断开。</source>
        <translation>All three voltages are near zero: the voltage is not connected, or a fuse or switch in the voltage circuit is open.</translation>
    </message>
    <message>
        <source>%1相电压为零而另两相电压接近线电压：三线制（V 形）接线接在了按三相四线设置的仪表上，%1相接在了中性线端子上；检查仪表的接线方式设置和电压接线。</source>
        <translation>Phase %1 voltage is zero while the other two are near the line voltage: a three-wire (V) connection on a meter set for three-phase four-wire, with phase %1 on the neutral terminal; check the meter&apos;s wiring setting and the voltage wiring.</translation>
    </message>
    <message>
        <source>%1相电压缺失：检查该相电压线、熔断器和端子是否断开或松脱。</source>
        <translation>Phase %1 voltage missing: check that phase&apos;s voltage wire, fuse and terminal for a break or loose contact.</translation>
    </message>
    <message>
        <source>%1相电压比其他两相低 %2：检查该相电压端子的接触，或供电本身是否偏低。</source>
        <translation>Phase %1 voltage is %2 below the other two: check that phase&apos;s voltage terminal, or whether the supply itself is low.</translation>
    </message>
    <message>
        <source>三相电压都在，彼此相近。</source>
        <translation>All three voltages are present and close to each other.</translation>
    </message>
    <message>
        <source>三相均为零，无法计算不平衡度。</source>
        <translation>All three are zero; the unbalance cannot be computed.</translation>
    </message>
    <message>
        <source>；不平衡度 %1</source>
        <translation>; unbalance %1</translation>
    </message>
    <message>
        <source>线电压与相电压</source>
        <translation>Line and phase voltages</translation>
    </message>
    <message>
        <source>全部相电压和线电压</source>
        <translation>all phase and line voltages</translation>
    </message>
    <message>
        <source>U%1=%2 V（按 120° 应为 %3 V）</source>
        <translation>U%1=%2 V (%3 V expected at 120°)</translation>
    </message>
    <message>
        <source>；最大偏差 %1</source>
        <translation>; largest deviation %1</translation>
    </message>
    <message>
        <source>线电压与相电压相符（约为相电压的 √3 倍）。</source>
        <translation>Line voltages match the phase voltages (about √3 times).</translation>
    </message>
    <message>
        <source>相电压与线电压相当：三线制接线接在了按三相四线设置的仪表上，或仪表的中性线没有接；检查接线方式设置和中性线。</source>
        <translation>Phase voltages are as high as the line voltages: a three-wire connection on a meter set for four-wire, or the meter&apos;s neutral is not connected; check the wiring setting and the neutral.</translation>
    </message>
    <message>
        <source>线电压不等于 √3 倍相电压：中性线断开或没有接（中性点偏移），或三线制接线按四线制设置；检查中性线和接线方式。</source>
        <translation>Line voltages are not √3 times the phase voltages: the neutral is open or not connected (neutral shift), or a three-wire connection is set as four-wire; check the neutral and the wiring setting.</translation>
    </message>
    <message>
        <source>相序</source>
        <translation>Phase sequence</translation>
    </message>
    <message>
        <source>本仪表不报告电压相角，相序无法判断。</source>
        <translation>This meter does not report voltage angles; the phase sequence cannot be judged.</translation>
    </message>
    <message>
        <source>全部相角和相电压</source>
        <translation>all phase angles and phase voltages</translation>
    </message>
    <message>
        <source>有一相电压缺失，相序无法判断。</source>
        <translation>One phase voltage is missing; the phase sequence cannot be judged.</translation>
    </message>
    <message>
        <source>正相序（A-B-C）。</source>
        <translation>Positive sequence (A-B-C).</translation>
    </message>
    <message>
        <source>逆相序（A-C-B）：交换任意两相的电压线（连同对应的电流线），或检查供电的相序。</source>
        <translation>Negative sequence (A-C-B): swap any two phases&apos; voltage wires (with their current wires), or check the supply&apos;s phase sequence.</translation>
    </message>
    <message>
        <source>相间角度与 120° 相差较多：检查电压接线，或相角寄存器的读法。</source>
        <translation>The angles between phases are far from 120°: check the voltage wiring, or how the angle registers are read.</translation>
    </message>
    <message>
        <source>频率</source>
        <translation>Frequency</translation>
    </message>
    <message>
        <source>f=%1 Hz，额定 %2 Hz，偏差 %3 Hz</source>
        <translation>f=%1 Hz, nominal %2 Hz, deviation %3 Hz</translation>
    </message>
    <message>
        <source>频率正常。</source>
        <translation>The frequency is normal.</translation>
    </message>
    <message>
        <source>频率偏离额定值：确认额定频率（50/60 Hz）选得对，或检查电源。</source>
        <translation>The frequency is off its nominal value: make sure the nominal frequency (50/60 Hz) is chosen right, or check the supply.</translation>
    </message>
    <message>
        <source>有功功率方向</source>
        <translation>Active power direction</translation>
    </message>
    <message>
        <source>全部分相有功功率</source>
        <translation>all phase active powers</translation>
    </message>
    <message>
        <source>三相都没有负荷，功率方向无法判断。</source>
        <translation>No phase carries load; the power direction cannot be judged.</translation>
    </message>
    <message>
        <source>各相有功功率均为正（从电网取电）。</source>
        <translation>All phase active powers are positive (drawn from the grid).</translation>
    </message>
    <message>
        <source>各相有功功率均为负：或者三相电流互感器（CT）都接反了，或者负载确实在向电网送电（发电、反送电）；两种情况都要在现场确认。</source>
        <translation>All phase active powers are negative: either all three current transformers (CTs) are reversed, or the load really feeds the grid (generation); confirm which on site.</translation>
    </message>
    <message>
        <source>%1相有功功率为负而其他相为正：%1相电流互感器（CT）极性接反，检查该相 CT 的 S1/S2 接线方向。</source>
        <translation>Phase %1 active power is negative while the others are positive: the phase %1 current transformer (CT) is reversed; check that CT&apos;s S1/S2 wiring.</translation>
    </message>
    <message>
        <source>%1相有功功率为负，功率角与其他相相差约 120°：%1相的电流接错了相（电流线与电压线不同相，例如两相电流线对调），检查电流线的相别。</source>
        <translation>Phase %1 active power is negative and its power angle differs from the others by about 120°: the phase %1 current is on the wrong phase (current and voltage wires of different phases, for example two current wires swapped); check the current wires&apos; phases.</translation>
    </message>
    <message>
        <source>功率角一致性</source>
        <translation>Power angle consistency</translation>
    </message>
    <message>
        <source>全部分相有功和无功功率</source>
        <translation>all phase active and reactive powers</translation>
    </message>
    <message>
        <source>无负荷</source>
        <translation>no load</translation>
    </message>
    <message>
        <source>有负荷的相少于两相，无法比较功率角。</source>
        <translation>Fewer than two phases carry load; the power angles cannot be compared.</translation>
    </message>
    <message>
        <source>；最大偏离 %1</source>
        <translation>; largest deviation %1</translation>
    </message>
    <message>
        <source>各相功率角相近，电流与各自的电压同相。</source>
        <translation>The phases&apos; power angles are close: each current is in phase with its voltage.</translation>
    </message>
    <message>
        <source>%1相功率角与其他相相差约 180°：该相 CT 极性接反。</source>
        <translation>Phase %1 power angle differs from the others by about 180°: that phase&apos;s CT is reversed.</translation>
    </message>
    <message>
        <source>%1相功率角与其他相相差约 120°：该相电流接在了别的相上，检查电流线相别。</source>
        <translation>Phase %1 power angle differs from the others by about 120°: that phase&apos;s current is wired to another phase; check the current wires&apos; phases.</translation>
    </message>
    <message>
        <source>%1相功率角与其他相相差较大：检查该相电流是否与电压同相，或该相负载本身不同。</source>
        <translation>Phase %1 power angle differs much from the others: check that its current is in phase with its voltage, or whether that phase&apos;s load is simply different.</translation>
    </message>
    <message>
        <source>问题在仪表本身、它的倍率设置或寄存器映射（读错了寄存器）。</source>
        <translation>The fault lies in the meter itself, its ratio settings or its register map (wrong registers read).</translation>
    </message>
    <message>
        <source>（无功功率按与有功功率相同的倍率计，即 kvar）</source>
        <translation> (reactive power taken at the same scale as active power, that is kvar)</translation>
    </message>
    <message>
        <source>全部分相值和总值</source>
        <translation>all phase values and totals</translation>
    </message>
    <message>
        <source>Σ%1=%2 %3，总量 %4 %3，差 %5（允许 %6）%7</source>
        <translation>Σ%1=%2 %3, total %4 %3, difference %5 (allowed %6)%7</translation>
    </message>
    <message>
        <source>分相之和与总量相符。</source>
        <translation>The sum of the phases matches the total.</translation>
    </message>
    <message>
        <source>分相之和与总量不符：</source>
        <translation>The sum of the phases does not match the total: </translation>
    </message>
    <message>
        <source>视在功率与 P、Q</source>
        <translation>Apparent power and P, Q</translation>
    </message>
    <message>
        <source>总有功、总无功和视在功率</source>
        <translation>total active, total reactive and apparent power</translation>
    </message>
    <message>
        <source>S=%1 %2，√(P²+Q²)=%3 %2%4（允许 %5）%6</source>
        <translation>S=%1 %2, √(P²+Q²)=%3 %2%4 (allowed %5)%6</translation>
    </message>
    <message>
        <source>，各相 S 之和=%1 %2</source>
        <translation>, sum of phase S=%1 %2</translation>
    </message>
    <message>
        <source>视在功率与有功、无功功率相符。</source>
        <translation>The apparent power matches the active and reactive power.</translation>
    </message>
    <message>
        <source>视在功率与有功、无功功率不符：</source>
        <translation>The apparent power does not match the active and reactive power: </translation>
    </message>
    <message>
        <source>P 与 U·I·cosφ</source>
        <translation>P and U·I·cosφ</translation>
    </message>
    <message>
        <source>任何一相的电压、电流和功率</source>
        <translation>voltage, current and power of any phase</translation>
    </message>
    <message>
        <source>各相功率与电压、电流相符。</source>
        <translation>Each phase&apos;s power matches its voltage and current.</translation>
    </message>
    <message>
        <source>%1相 U·I 与功率不符（约 %2 倍）：电流或电压的倍率（CT、PT 变比）设置有误，或读错了寄存器；检查仪表的变比设置。</source>
        <translation>Phase %1 U·I does not match its power (about %2 times): a wrong current or voltage ratio (CT, PT) setting, or wrong registers read; check the meter&apos;s ratio settings.</translation>
    </message>
    <message>
        <source>功率因数与 P/S</source>
        <translation>Power factor and P/S</translation>
    </message>
    <message>
        <source>功率因数、总有功和视在功率</source>
        <translation>power factor, total active and apparent power</translation>
    </message>
    <message>
        <source>视在功率为零，功率因数无从比较。</source>
        <translation>The apparent power is zero; the power factor cannot be compared.</translation>
    </message>
    <message>
        <source>PF=%1，|P|/S=%2（允许差 %3）</source>
        <translation>PF=%1, |P|/S=%2 (allowed difference %3)</translation>
    </message>
    <message>
        <source>功率因数与 P/S 相符（不比较正负号）。</source>
        <translation>The power factor matches P/S (signs not compared).</translation>
    </message>
    <message>
        <source>功率因数与 P/S 不符：</source>
        <translation>The power factor does not match P/S: </translation>
    </message>
    <message>
        <source>正常</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>注意</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>异常</source>
        <translation>Fault</translation>
    </message>
    <message>
        <source>无数据</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>工程默认值</source>
        <translation>Engineering default</translation>
    </message>
    <message>
        <source>相电压偏低（占其余两相平均）</source>
        <translation>Phase voltage low (share of the other two&apos;s mean)</translation>
    </message>
    <message>
        <source>工程默认值；GB/T 12325-2008 允许 220 V 偏差 +7 %/−10 %</source>
        <translation>Engineering default; GB/T 12325-2008 allows +7 %/−10 % on 220 V</translation>
    </message>
    <message>
        <source>相电压缺失（占其余两相平均）</source>
        <translation>Phase voltage missing (share of the other two&apos;s mean)</translation>
    </message>
    <message>
        <source>无电压</source>
        <translation>No voltage</translation>
    </message>
    <message>
        <source>电压不平衡度 注意</source>
        <translation>Voltage unbalance warning</translation>
    </message>
    <message>
        <source>GB/T 15543-2008 正常限值 2 %（此处按最大偏差/平均值计）</source>
        <translation>GB/T 15543-2008 normal limit 2 % (here as largest deviation/mean)</translation>
    </message>
    <message>
        <source>电压不平衡度 异常</source>
        <translation>Voltage unbalance fault</translation>
    </message>
    <message>
        <source>GB/T 15543-2008 短时限值 4 %</source>
        <translation>GB/T 15543-2008 short-term limit 4 %</translation>
    </message>
    <message>
        <source>电流不平衡度 注意</source>
        <translation>Current unbalance warning</translation>
    </message>
    <message>
        <source>工程默认值（配电运维常用的 15 % 负荷不平衡限值）</source>
        <translation>Engineering default (the 15 % load unbalance limit common in distribution)</translation>
    </message>
    <message>
        <source>电流不平衡度 异常</source>
        <translation>Current unbalance fault</translation>
    </message>
    <message>
        <source>无负荷（占最大一相 S）</source>
        <translation>No load (share of the largest phase S)</translation>
    </message>
    <message>
        <source>功率角偏离 注意</source>
        <translation>Power angle deviation warning</translation>
    </message>
    <message>
        <source>功率角偏离 异常</source>
        <translation>Power angle deviation fault</translation>
    </message>
    <message>
        <source>相角容差（120°/180°/240° 附近）</source>
        <translation>Angle tolerance (around 120°/180°/240°)</translation>
    </message>
    <message>
        <source>线电压与 √3 倍相电压 注意</source>
        <translation>Line voltage vs √3 × phase voltage warning</translation>
    </message>
    <message>
        <source>线电压与 √3 倍相电压 异常</source>
        <translation>Line voltage vs √3 × phase voltage fault</translation>
    </message>
    <message>
        <source>计算一致性容差（另加显示分辨率）</source>
        <translation>Consistency tolerance (plus the display resolution)</translation>
    </message>
    <message>
        <source>工程默认值（1 级仪表的准确度）</source>
        <translation>Engineering default (accuracy of a class 1 meter)</translation>
    </message>
    <message>
        <source>频率偏差 注意</source>
        <translation>Frequency deviation warning</translation>
    </message>
    <message>
        <source>GB/T 15945-2008 正常限值 ±0.2 Hz</source>
        <translation>GB/T 15945-2008 normal limit ±0.2 Hz</translation>
    </message>
    <message>
        <source>频率偏差 异常</source>
        <translation>Frequency deviation fault</translation>
    </message>
    <message>
        <source>GB/T 15945-2008 小容量系统限值 ±0.5 Hz</source>
        <translation>GB/T 15945-2008 limit for small systems ±0.5 Hz</translation>
    </message>
    <message>
        <source>电压不平衡度</source>
        <translation>Voltage unbalance</translation>
    </message>
    <message>
        <source>三相电压平衡。</source>
        <translation>The three voltages are balanced.</translation>
    </message>
    <message>
        <source>三相电压不平衡：检查电压接线和端子；若接线无误，是供电侧的不平衡。</source>
        <translation>The three voltages are unbalanced: check the voltage wiring and terminals; if the wiring is right, the supply is unbalanced.</translation>
    </message>
    <message>
        <source>电流不平衡度</source>
        <translation>Current unbalance</translation>
    </message>
    <message>
        <source>三相电流平衡。</source>
        <translation>The three currents are balanced.</translation>
    </message>
    <message>
        <source>三相电流不平衡：多为各相负荷不均；若某相电流明显偏小，检查该相 CT 和电流线是否开路或短接。</source>
        <translation>The three currents are unbalanced: mostly uneven loads; if one phase&apos;s current is clearly low, check that phase&apos;s CT and current wires for an open or a short.</translation>
    </message>
    <message>
        <source>ΣP 与总有功功率</source>
        <translation>ΣP and total active power</translation>
    </message>
    <message>
        <source>ΣQ 与总无功功率</source>
        <translation>ΣQ and total reactive power</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>正常：接线与读数相符。</source>
        <translation>OK: wiring and readings agree.</translation>
    </message>
    <message>
        <source>无数据：本次采集没有可分析的数值。</source>
        <translation>No data: this reading has no values to analyse.</translation>
    </message>
</context>
<context>
    <name>MeterFamilyTexts</name>
    <message>
        <source>嵌入式多功能电力仪表</source>
        <translation>Panel-mount power meter</translation>
    </message>
    <message>
        <source>导轨式电力仪表</source>
        <translation>DIN-rail power meter</translation>
    </message>
</context>
<context>
    <name>OutcomeTexts</name>
    <message>
        <source>非法功能</source>
        <translation>illegal function</translation>
    </message>
    <message>
        <source>非法数据地址</source>
        <translation>illegal data address</translation>
    </message>
    <message>
        <source>非法数据值</source>
        <translation>illegal data value</translation>
    </message>
    <message>
        <source>从站设备故障</source>
        <translation>server device failure</translation>
    </message>
    <message>
        <source>确认（从站正在处理）</source>
        <translation>acknowledge (server busy processing)</translation>
    </message>
    <message>
        <source>从站设备忙</source>
        <translation>server device busy</translation>
    </message>
    <message>
        <source>存储奇偶校验错误</source>
        <translation>memory parity error</translation>
    </message>
    <message>
        <source>网关路径不可用</source>
        <translation>gateway path unavailable</translation>
    </message>
    <message>
        <source>网关后的仪表无应答</source>
        <translation>gateway target device failed to respond</translation>
    </message>
    <message>
        <source>未知的异常代码</source>
        <translation>unknown exception code</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>no answer</translation>
    </message>
    <message>
        <source>校验错误</source>
        <translation>CRC error</translation>
    </message>
    <message>
        <source>异常应答</source>
        <translation>exception</translation>
    </message>
    <message>
        <source>格式错误</source>
        <translation>malformed</translation>
    </message>
    <message>
        <source>迟到</source>
        <translation>late</translation>
    </message>
</context>
<context>
    <name>PhasorTexts</name>
    <message>
        <source> 无数据</source>
        <translation> no data</translation>
    </message>
    <message>
        <source> 假定</source>
        <translation> assumed</translation>
    </message>
    <message>
        <source> 无相角</source>
        <translation> no angle</translation>
    </message>
    <message>
        <source>电压：外圆 = %1 V（粗线）；电流：内圆 = %2 A（细线）</source>
        <translation>Voltage: outer circle = %1 V (thick); current: inner circle = %2 A (thin)</translation>
    </message>
    <message>
        <source>虚线：本仪表不报告电压相角，按理想的 0°/−120°/+120° 假定</source>
        <translation>Dashed: this meter reports no voltage angles; ideal 0°/−120°/+120° assumed</translation>
    </message>
</context>
<context>
    <name>PortAdviceTexts</name>
    <message>
        <source>波特率无效：应为 1 到 %1 之间的整数，例如 9600。</source>
        <translation>Invalid baud rate: a whole number from 1 to %1, for example 9600.</translation>
    </message>
    <message>
        <source>校验位无效：应为 N（无）、E（偶）、O（奇）、M（标记）或 S（空格）。</source>
        <translation>Invalid parity: N (none), E (even), O (odd), M (mark) or S (space).</translation>
    </message>
    <message>
        <source>数据位无效：应为 5、6、7 或 8。</source>
        <translation>Invalid data bits: 5, 6, 7 or 8.</translation>
    </message>
    <message>
        <source>停止位无效：应为 1、1.5 或 2，且 1.5 位停止位只能配 5 位数据位。</source>
        <translation>Invalid stop bits: 1, 1.5 or 2, and 1.5 stop bits only with 5 data bits.</translation>
    </message>
    <message>
        <source>串口设置应为“波特率,校验位,数据位,停止位”，例如 9600,N,8,1。</source>
        <translation>Port settings are &quot;baud,parity,data bits,stop bits&quot;, for example 9600,N,8,1.</translation>
    </message>
    <message>
        <source>进程号 %1</source>
        <translation>process %1</translation>
    </message>
    <message>
        <source>%1，进程号 %2</source>
        <translation>%1, process %2</translation>
    </message>
    <message>
        <source>，计算机 %1</source>
        <translation>, computer %1</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>这个串口号没有对应的设备：请插上串口转换器，或选择别的串口号。</source>
        <translation>This port number has no device: plug in the serial adapter, or choose another port number.</translation>
    </message>
    <message>
        <source>设备 %1 不存在：串口转换器可能没有插上或已拔出，请插上后再打开串口。</source>
        <translation>Device %1 does not exist: the serial adapter may not be plugged in or was pulled out; plug it in, then open the port.</translation>
    </message>
    <message>
        <source>没有权限打开 %1：请把当前用户加入 dialout 组（sudo usermod -aG dialout $USER），然后注销并重新登录。</source>
        <translation>No permission to open %1: add the user to the dialout group (sudo usermod -aG dialout $USER), then log out and in again.</translation>
    </message>
    <message>
        <source>串口被其他程序占用%1：请先关闭该程序，或选择别的串口号。</source>
        <translation>The port is in use by another program%1: close that program first, or choose another port number.</translation>
    </message>
    <message>
        <source>串口号无效：请从列表中选择一个串口号。</source>
        <translation>Invalid port number: choose a port number from the list.</translation>
    </message>
    <message>
        <source>串口已打开：请先关闭串口，再换串口号。</source>
        <translation>The port is open: close it before changing the port number.</translation>
    </message>
    <message>
        <source>串口没有打开：请先打开串口。</source>
        <translation>The port is not open: open it first.</translation>
    </message>
    <message>
        <source>设备 %1 已断开：请检查串口转换器和连线，然后重新打开串口。</source>
        <translation>Device %1 was disconnected: check the serial adapter and the cable, then open the port again.</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>无法打开 %1。</source>
        <translation>Cannot open %1.</translation>
    </message>
    <message>
        <source>无法打开 %1（系统的说明：%2）。</source>
        <translation>Cannot open %1 (the system says: %2).</translation>
    </message>
</context>
<context>
    <name>ReadingTexts</name>
    <message>
        <source>二次</source>
        <translation>secondary</translation>
    </message>
</context>
<context>
    <name>RecordingTable</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>采集方式</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>发送请求数</source>
        <translation>Requests sent</translation>
    </message>
    <message>
        <source>正确应答数</source>
        <translation>Answers accepted</translation>
    </message>
    <message>
        <source>线路</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>已断开</source>
        <translation>Lost</translation>
    </message>
</context>
<context>
    <name>ReportTexts</name>
    <message>
        <source>&lt;h2&gt;仪表调试报告&lt;/h2&gt;&lt;table cellspacing=&apos;0&apos; cellpadding=&apos;2&apos;&gt;</source>
        <translation>&lt;h2&gt;Meter commissioning report&lt;/h2&gt;&lt;table cellspacing=&apos;0&apos; cellpadding=&apos;2&apos;&gt;</translation>
    </message>
    <message>
        <source>仪表类型</source>
        <translation>Meter type</translation>
    </message>
    <message>
        <source>串口设置</source>
        <translation>Port settings</translation>
    </message>
    <message>
        <source>仪表地址</source>
        <translation>Meter address</translation>
    </message>
    <message>
        <source>报告时间</source>
        <translation>Report time</translation>
    </message>
    <message>
        <source>数据时间</source>
        <translation>Data time</translation>
    </message>
    <message>
        <source>还没有采集</source>
        <translation>not read yet</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>&lt;/table&gt;&lt;p&gt;&lt;b&gt;结论：&lt;/b&gt;</source>
        <translation>&lt;/table&gt;&lt;p&gt;&lt;b&gt;Conclusion: &lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;读数&lt;/h3&gt;&lt;table border=&apos;1&apos; cellspacing=&apos;0&apos; cellpadding=&apos;2&apos; width=&apos;100%&apos;&gt;</source>
        <translation>&lt;h3&gt;Readings&lt;/h3&gt;&lt;table border=&apos;1&apos; cellspacing=&apos;0&apos; cellpadding=&apos;2&apos; width=&apos;100%&apos;&gt;</translation>
    </message>
    <message>
        <source>无数据</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>&lt;h3&gt;相量图&lt;/h3&gt;&lt;p&gt;&lt;img src=&apos;%1&apos; width=&apos;330&apos; height=&apos;330&apos;&gt;&lt;/p&gt;</source>
        <translation>&lt;h3&gt;Phasor diagram&lt;/h3&gt;&lt;p&gt;&lt;img src=&apos;%1&apos; width=&apos;330&apos; height=&apos;330&apos;&gt;&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;接线与读数检查&lt;/h3&gt;&lt;table border=&apos;1&apos; cellspacing=&apos;0&apos; cellpadding=&apos;2&apos; width=&apos;100%&apos;&gt;&lt;tr&gt;&lt;th&gt;检查&lt;/th&gt;&lt;th&gt;结论&lt;/th&gt;&lt;th&gt;测量值&lt;/th&gt;&lt;th&gt;可能原因与现场检查&lt;/th&gt;&lt;/tr&gt;</source>
        <translation>&lt;h3&gt;Wiring and reading checks&lt;/h3&gt;&lt;table border=&apos;1&apos; cellspacing=&apos;0&apos; cellpadding=&apos;2&apos; width=&apos;100%&apos;&gt;&lt;tr&gt;&lt;th&gt;Check&lt;/th&gt;&lt;th&gt;Result&lt;/th&gt;&lt;th&gt;Measured&lt;/th&gt;&lt;th&gt;Likely cause and what to check on site&lt;/th&gt;&lt;/tr&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;通信计数&lt;/h3&gt;&lt;p&gt;</source>
        <translation>&lt;h3&gt;Line counters&lt;/h3&gt;&lt;p&gt;</translation>
    </message>
    <message>
        <source>仪表调试报告 - </source>
        <translation>Meter commissioning report - </translation>
    </message>
    <message>
        <source>仪表测试</source>
        <translation>MeterTest</translation>
    </message>
</context>
<context>
    <name>ServiceTexts</name>
    <message>
        <source>仪表测试</source>
        <translation>MeterTest</translation>
    </message>
</context>
<context>
    <name>TcpTexts</name>
    <message>
        <source>连接 %1 超时（%2 秒内无回应）</source>
        <translation>Connecting to %1 timed out (no response in %2 s)</translation>
    </message>
    <message>
        <source>%1（%2，波特率和校验位在网关中设置）</source>
        <translation>%1 (%2; baud rate and parity are set in the gateway)</translation>
    </message>
    <message>
        <source>网络端口 %1 无效</source>
        <translation>Network port %1 is invalid</translation>
    </message>
    <message>
        <source>与 %1 的连接尚未建立</source>
        <translation>The connection to %1 is not established yet</translation>
    </message>
    <message>
        <source>%1 拒绝连接：请检查网关的地址和端口</source>
        <translation>%1 refused the connection: check the gateway&apos;s address and port</translation>
    </message>
    <message>
        <source>找不到主机 %1：请检查网关的名称或地址</source>
        <translation>Host %1 not found: check the gateway&apos;s name or address</translation>
    </message>
    <message>
        <source>无法到达 %1：请检查网络连接</source>
        <translation>Cannot reach %1: check the network connection</translation>
    </message>
    <message>
        <source>连接 %1 超时</source>
        <translation>Connecting to %1 timed out</translation>
    </message>
    <message>
        <source>%1 关闭了连接</source>
        <translation>%1 closed the connection</translation>
    </message>
    <message>
        <source>与 %1 的连接出错：%2</source>
        <translation>Connection to %1 failed: %2</translation>
    </message>
</context>
<context>
    <name>TrendTexts</name>
    <message>
        <source>需量</source>
        <translation>Demand</translation>
    </message>
    <message>
        <source>电压</source>
        <translation>Voltage</translation>
    </message>
    <message>
        <source>电流</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>功率</source>
        <translation>Power</translation>
    </message>
    <message>
        <source>功率因数与频率</source>
        <translation>Power factor and frequency</translation>
    </message>
    <message>
        <source>电能</source>
        <translation>Energy</translation>
    </message>
    <message>
        <source>度</source>
        <translation>°</translation>
    </message>
    <message>
        <source>相角</source>
        <translation>Angle</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>开关量</source>
        <translation>Switches</translation>
    </message>
    <message>
        <source>闭合</source>
        <translation>Closed</translation>
    </message>
    <message>
        <source>断开</source>
        <translation>Open</translation>
    </message>
</context>
<context>
    <name>TrendView</name>
    <message>
        <source>找不到趋势图模块 %1</source>
        <translation>Trend module not found: %1</translation>
    </message>
</context>
<context>
    <name>mt::AboutDialog</name>
    <message>
        <source>仪表测试 MeterTest</source>
        <translation>MeterTest</translation>
    </message>
    <message>
        <source>版本 %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>经 RS-485 以 Modbus RTU 读取三相电力仪表的测试工具</source>
        <translation>A test tool that reads three-phase power meters over RS-485 with Modbus RTU</translation>
    </message>
    <message>
        <source>本程序是自由软件，按 GNU 通用公共许可证第 3 版或（任选）更新的版本
（GPL-3.0-or-later）发布。</source>
        <translation>This program is free software, released under the GNU General Public License,
version 3 or (at your option) any later version (GPL-3.0-or-later).</translation>
    </message>
    <message>
        <source>本程序不提供任何担保（NO WARRANTY），详见许可证全文。</source>
        <translation>This program comes with NO WARRANTY; see the full licence.</translation>
    </message>
    <message>
        <source>Qt 版本：%1</source>
        <translation>Qt version: %1</translation>
    </message>
    <message>
        <source>串口链接文件夹：%1</source>
        <translation>Port link folder: %1</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>关于仪表测试</source>
        <translation>About MeterTest</translation>
    </message>
</context>
<context>
    <name>mt::AccuracyRun</name>
    <message>
        <source>未做</source>
        <translation>Not run</translation>
    </message>
    <message>
        <source>完成</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>已停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>跳过</source>
        <translation>Skipped</translation>
    </message>
    <message>
        <source>线路断开：%1。试验已暂停，线路恢复后按“继续”重做本点</source>
        <translation>Line lost: %1. The test is paused; once the line is back, press &quot;Continue&quot; to repeat this point</translation>
    </message>
    <message>
        <source>方案中没有试验点</source>
        <translation>The plan has no test points</translation>
    </message>
    <message>
        <source>没有基准表：请把一个表位标为基准表，或选择手动输入基准值</source>
        <translation>No reference meter: mark one position as the reference, or choose typed reference values</translation>
    </message>
    <message>
        <source>没有被试表：请添加表位</source>
        <translation>No meter under test: add positions</translation>
    </message>
    <message>
        <source>线路仍打不开：%1</source>
        <translation>The line still does not open: %1</translation>
    </message>
    <message>
        <source>U=%1 V  I=%2 A  PF=%3  f=%4 Hz</source>
        <translation>U=%1 V  I=%2 A  PF=%3  f=%4 Hz</translation>
    </message>
    <message>
        <source>基准表（地址 %1）无应答，试验已暂停；恢复后按“继续”重做本点</source>
        <translation>The reference meter (address %1) does not answer; the test is paused. Once it answers, press &quot;Continue&quot; to repeat this point</translation>
    </message>
    <message>
        <source>被试表都无应答，试验已暂停；恢复后按“继续”重做本点</source>
        <translation>No meter under test answers; the test is paused. Once they answer, press &quot;Continue&quot; to repeat this point</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>No answer</translation>
    </message>
</context>
<context>
    <name>mt::AccuracyTexts</name>
    <message>
        <source>合格</source>
        <translation>Pass</translation>
    </message>
    <message>
        <source>不合格</source>
        <translation>Fail</translation>
    </message>
    <message>
        <source>分辨率不足</source>
        <translation>Resolution too coarse</translation>
    </message>
    <message>
        <source>基准为零</source>
        <translation>Reference is zero</translation>
    </message>
    <message>
        <source>不判定</source>
        <translation>Not judged</translation>
    </message>
</context>
<context>
    <name>mt::AccuracyWindow</name>
    <message>
        <source>准确度试验</source>
        <translation>Accuracy test</translation>
    </message>
    <message>
        <source>试验完成：可导出记录</source>
        <translation>Test complete: the record can be exported</translation>
    </message>
    <message>
        <source>试验页面</source>
        <translation>Test pages</translation>
    </message>
    <message>
        <source>试验(&amp;1)</source>
        <translation>Test (&amp;1)</translation>
    </message>
    <message>
        <source>表位(&amp;2)</source>
        <translation>Positions (&amp;2)</translation>
    </message>
    <message>
        <source>方案(&amp;3)</source>
        <translation>Plan (&amp;3)</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>试验方案</source>
        <translation>Test plan</translation>
    </message>
    <message>
        <source>打开方案(&amp;O)…</source>
        <translation>&amp;Open plan…</translation>
    </message>
    <message>
        <source>保存方案(&amp;V)…</source>
        <translation>Sa&amp;ve plan…</translation>
    </message>
    <message>
        <source>内置方案(&amp;P)：</source>
        <translation>Built-in &amp;plans:</translation>
    </message>
    <message>
        <source>接入方式</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>直接接入（Ib）</source>
        <translation>Direct (Ib)</translation>
    </message>
    <message>
        <source>经互感器接入（In）</source>
        <translation>Via transformers (In)</translation>
    </message>
    <message>
        <source>额定电压</source>
        <translation>Rated voltage</translation>
    </message>
    <message>
        <source>基本电流或额定电流</source>
        <translation>Basic or rated current</translation>
    </message>
    <message>
        <source>最大电流</source>
        <translation>Maximum current</translation>
    </message>
    <message>
        <source>接入(&amp;J)：</source>
        <translation>Connection (&amp;J):</translation>
    </message>
    <message>
        <source>Un(&amp;U)：</source>
        <translation>&amp;Un:</translation>
    </message>
    <message>
        <source>Ib/In(&amp;B)：</source>
        <translation>I&amp;b/In:</translation>
    </message>
    <message>
        <source>Imax(&amp;X)：</source>
        <translation>Ima&amp;x:</translation>
    </message>
    <message>
        <source>试验点</source>
        <translation>Test points</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>电压</source>
        <translation>Voltage</translation>
    </message>
    <message>
        <source>电流</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>功率因数</source>
        <translation>Power factor</translation>
    </message>
    <message>
        <source>频率 Hz</source>
        <translation>Frequency Hz</translation>
    </message>
    <message>
        <source>稳定 s</source>
        <translation>Settle s</translation>
    </message>
    <message>
        <source>读数次数</source>
        <translation>Readings</translation>
    </message>
    <message>
        <source>判定量</source>
        <translation>Judged</translation>
    </message>
    <message>
        <source>运行 s</source>
        <translation>Run s</translation>
    </message>
    <message>
        <source>电压：100%Un 或 230V；电流：5%In、Imax 或 2.5A；功率因数：1、0.5L、0.8C；判定量：U I P Q S PF F Pφ；运行时间留空由程序按等级计算</source>
        <translation>Voltage: 100%Un or 230V; current: 5%In, Imax or 2.5A; power factor: 1, 0.5L, 0.8C; judged: U I P Q S PF F Pφ; leave the run time empty to have it worked out from the class</translation>
    </message>
    <message>
        <source>添加试验点(&amp;A)</source>
        <translation>&amp;Add point</translation>
    </message>
    <message>
        <source>删除试验点(&amp;D)</source>
        <translation>&amp;Delete point</translation>
    </message>
    <message>
        <source>打开试验方案</source>
        <translation>Open test plan</translation>
    </message>
    <message>
        <source>试验方案 (*.csv);;所有文件 (*)</source>
        <translation>Test plans (*.csv);;All files (*)</translation>
    </message>
    <message>
        <source>保存试验方案</source>
        <translation>Save test plan</translation>
    </message>
    <message>
        <source>试验方案 (*.csv)</source>
        <translation>Test plans (*.csv)</translation>
    </message>
    <message>
        <source>方案没有保存：%1</source>
        <translation>The plan was not saved: %1</translation>
    </message>
    <message>
        <source>表位</source>
        <translation>Positions</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>有功等级</source>
        <translation>Active class</translation>
    </message>
    <message>
        <source>电压电流等级</source>
        <translation>U/I class</translation>
    </message>
    <message>
        <source>基准表</source>
        <translation>Reference</translation>
    </message>
    <message>
        <source>添加表位(&amp;A)</source>
        <translation>&amp;Add position</translation>
    </message>
    <message>
        <source>删除表位(&amp;D)</source>
        <translation>&amp;Delete position</translation>
    </message>
    <message>
        <source>从巡检列表添加(&amp;L)</source>
        <translation>Add from bus &amp;list</translation>
    </message>
    <message>
        <source>地址(&amp;R)：</source>
        <translation>Add&amp;ress:</translation>
    </message>
    <message>
        <source>类型(&amp;T)：</source>
        <translation>&amp;Type:</translation>
    </message>
    <message>
        <source>名称(&amp;N)：</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>等级(&amp;G)：</source>
        <translation>Class (&amp;G):</translation>
    </message>
    <message>
        <source>地址 %1 已在表位中</source>
        <translation>Address %1 is already a position</translation>
    </message>
    <message>
        <source>从巡检列表添加了 %1 个表位</source>
        <translation>Added %1 positions from the bus list</translation>
    </message>
    <message>
        <source>基准</source>
        <translation>Reference</translation>
    </message>
    <message>
        <source>线路上的基准表(&amp;M)</source>
        <translation>Reference &amp;meter on the line</translation>
    </message>
    <message>
        <source>线路上的基准表</source>
        <translation>Reference meter on the line</translation>
    </message>
    <message>
        <source>手动输入标准值(&amp;H)：</source>
        <translation>Typed standard values (&amp;H):</translation>
    </message>
    <message>
        <source>手动输入标准值</source>
        <translation>Typed standard values</translation>
    </message>
    <message>
        <source>标准值</source>
        <translation>Standard values</translation>
    </message>
    <message>
        <source>采用设定值(&amp;E)</source>
        <translation>Us&amp;e set values</translation>
    </message>
    <message>
        <source>设定点</source>
        <translation>Set point</translation>
    </message>
    <message>
        <source>进度</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>开始试验(&amp;S)</source>
        <translation>&amp;Start test</translation>
    </message>
    <message>
        <source>继续(&amp;C)</source>
        <translation>&amp;Continue</translation>
    </message>
    <message>
        <source>跳过本点(&amp;K)</source>
        <translation>S&amp;kip point</translation>
    </message>
    <message>
        <source>自动开始(&amp;Z)</source>
        <translation>Auto start (&amp;Z)</translation>
    </message>
    <message>
        <source>自动开始</source>
        <translation>Auto start</translation>
    </message>
    <message>
        <source>基准表读数在设定值 ±2 % 以内并稳定一个稳定时间后自动开始读数</source>
        <translation>Readings start by themselves once the reference reads within ±2 % of the set point, steady for the settle time</translation>
    </message>
    <message>
        <source>从第几点开始</source>
        <translation>Start from point</translation>
    </message>
    <message>
        <source>从第(&amp;F)</source>
        <translation>&amp;From</translation>
    </message>
    <message>
        <source>点</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Results</translation>
    </message>
    <message>
        <source>本点详细结果</source>
        <translation>Details of the point</translation>
    </message>
    <message>
        <source>量</source>
        <translation>Quantity</translation>
    </message>
    <message>
        <source>读数</source>
        <translation>Reading</translation>
    </message>
    <message>
        <source>标准差</source>
        <translation>Std dev</translation>
    </message>
    <message>
        <source>误差</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>限值</source>
        <translation>Limit</translation>
    </message>
    <message>
        <source>判定</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>试验员</source>
        <translation>Operator</translation>
    </message>
    <message>
        <source>温度</source>
        <translation>Temperature</translation>
    </message>
    <message>
        <source>湿度</source>
        <translation>Humidity</translation>
    </message>
    <message>
        <source>导出记录(&amp;R)…</source>
        <translation>Export &amp;record…</translation>
    </message>
    <message>
        <source>试验员(&amp;O)：</source>
        <translation>&amp;Operator:</translation>
    </message>
    <message>
        <source>温度(&amp;W)：</source>
        <translation>Temperature (&amp;W):</translation>
    </message>
    <message>
        <source>湿度(&amp;Y)：</source>
        <translation>Humidit&amp;y:</translation>
    </message>
    <message>
        <source>试验进行中，方案不能改变</source>
        <translation>A test is running: the plan cannot change</translation>
    </message>
    <message>
        <source>第 %1 点的“%2”无效，已恢复原值</source>
        <translation>&quot;%2&quot; is not valid for point %1; the old value is back</translation>
    </message>
    <message>
        <source>试验进行中，表位不能改变</source>
        <translation>A test is running: the positions cannot change</translation>
    </message>
    <message>
        <source>表位 %1 的“%2”无效，已恢复原值</source>
        <translation>&quot;%2&quot; is not valid for position %1; the old value is back</translation>
    </message>
    <message>
        <source>方案打不开：%1</source>
        <translation>The plan does not open: %1</translation>
    </message>
    <message>
        <source>方案没有载入：文件太大</source>
        <translation>The plan was not loaded: the file is too large</translation>
    </message>
    <message>
        <source>方案没有载入：第 %1 行：%2</source>
        <translation>The plan was not loaded: line %1: %2</translation>
    </message>
    <message>
        <source>已载入方案“%1”，%2 个试验点</source>
        <translation>Loaded plan &quot;%1&quot;, %2 test points</translation>
    </message>
    <message>
        <source>方案已保存：%1</source>
        <translation>Plan saved: %1</translation>
    </message>
    <message>
        <source>串口无法关闭，试验没有开始</source>
        <translation>The port would not close; the test did not start</translation>
    </message>
    <message>
        <source>试验没有开始：%1</source>
        <translation>The test did not start: %1</translation>
    </message>
    <message>
        <source>试验 com%1，%2</source>
        <translation>Testing on com%1, %2</translation>
    </message>
    <message>
        <source>停止试验(&amp;S)</source>
        <translation>&amp;Stop test</translation>
    </message>
    <message>
        <source>停止试验</source>
        <translation>Stop test</translation>
    </message>
    <message>
        <source>开始试验</source>
        <translation>Start test</translation>
    </message>
    <message>
        <source>准备就绪：%1 个试验点</source>
        <translation>Ready: %1 test points</translation>
    </message>
    <message>
        <source>第 %1/%2 点（%3）：请将标准源调到 %4</source>
        <translation>Point %1/%2 (%3): set the standard source to %4</translation>
    </message>
    <message>
        <source>等待基准表读数到达设定值并稳定…</source>
        <translation>Waiting for the reference to reach the set point and settle…</translation>
    </message>
    <message>
        <source>调好后按“继续”</source>
        <translation>Press &quot;Continue&quot; once it is set</translation>
    </message>
    <message>
        <source>第 %1/%2 点：%3</source>
        <translation>Point %1/%2: %3</translation>
    </message>
    <message>
        <source>稳定中，还有 %1 s</source>
        <translation>Settling, %1 s left</translation>
    </message>
    <message>
        <source>读数 %1/%2，重读 %3 轮</source>
        <translation>Reading %1/%2, %3 rounds taken again</translation>
    </message>
    <message>
        <source>运行中：%1 %，还有 %2 s</source>
        <translation>Running: %1 %, %2 s left</translation>
    </message>
    <message>
        <source>试验已暂停</source>
        <translation>Test paused</translation>
    </message>
    <message>
        <source>试验完成</source>
        <translation>Test complete</translation>
    </message>
    <message>
        <source>设定</source>
        <translation>Set point</translation>
    </message>
    <message>
        <source>地址 %1</source>
        <translation>Address %1</translation>
    </message>
    <message>
        <source>标准值“%1”无效：应为 U=… I=… P=… Q=… PF=… F=…</source>
        <translation>Standard value &quot;%1&quot; is not valid: write U=… I=… P=… Q=… PF=… F=…</translation>
    </message>
    <message>
        <source>com%1，%2</source>
        <translation>com%1, %2</translation>
    </message>
    <message>
        <source>手动输入的标准值</source>
        <translation>Typed standard values</translation>
    </message>
    <message>
        <source>基准表：%1，地址 %2%3</source>
        <translation>Reference meter: %1, address %2%3</translation>
    </message>
    <message>
        <source>记录保存到</source>
        <translation>Save the record in</translation>
    </message>
    <message>
        <source>记录没有全部写出：%1</source>
        <translation>The record was not written completely: %1</translation>
    </message>
    <message>
        <source>已写出 %1 个文件到 %2</source>
        <translation>Wrote %1 files to %2</translation>
    </message>
    <message>
        <source>地址 %1（基准）</source>
        <translation>Address %1 (reference)</translation>
    </message>
</context>
<context>
    <name>mt::AcquisitionEngine</name>
    <message>
        <source>串口没有打开</source>
        <translation>The port is not open</translation>
    </message>
</context>
<context>
    <name>mt::AnalysisWindow</name>
    <message>
        <source>三相分析</source>
        <translation>Three-phase analysis</translation>
    </message>
    <message>
        <source>接线与读数检查</source>
        <translation>Wiring and reading checks</translation>
    </message>
    <message>
        <source>检查</source>
        <translation>Check</translation>
    </message>
    <message>
        <source>结论</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>测量值</source>
        <translation>Measured</translation>
    </message>
    <message>
        <source>可能原因与现场检查</source>
        <translation>Likely cause and what to check on site</translation>
    </message>
    <message>
        <source>阈值</source>
        <translation>Threshold</translation>
    </message>
    <message>
        <source>数值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>来源</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>检查(&amp;K)</source>
        <translation>Chec&amp;ks</translation>
    </message>
    <message>
        <source>阈值(&amp;L)</source>
        <translation>Thresho&amp;lds</translation>
    </message>
    <message>
        <source>额定频率(&amp;F)：</source>
        <translation>Nominal &amp;frequency:</translation>
    </message>
    <message>
        <source>额定频率</source>
        <translation>Nominal frequency</translation>
    </message>
    <message>
        <source>复制相量图(&amp;C)</source>
        <translation>&amp;Copy phasor diagram</translation>
    </message>
    <message>
        <source>复制相量图</source>
        <translation>Copy phasor diagram</translation>
    </message>
    <message>
        <source>保存相量图(&amp;S)…</source>
        <translation>&amp;Save phasor diagram…</translation>
    </message>
    <message>
        <source>保存相量图</source>
        <translation>Save phasor diagram</translation>
    </message>
    <message>
        <source>结论：</source>
        <translation>Result: </translation>
    </message>
    <message>
        <source>等待采集：每次采集结束后刷新。</source>
        <translation>Waiting for a reading: refreshed after each one.</translation>
    </message>
    <message>
        <source>第 %1 次采集（%2），请求 %3，正常 %4；本次没有刷新的数值按无数据处理。</source>
        <translation>Reading %1 (%2), requests %3, OK %4; values not refreshed this time count as no data.</translation>
    </message>
    <message>
        <source>双击或按 F2 修改</source>
        <translation>Double-click or press F2 to change</translation>
    </message>
    <message>
        <source>“%1”不是有效的阈值，已恢复原值。</source>
        <translation>&quot;%1&quot; is not a valid threshold; the old value is back.</translation>
    </message>
    <message>
        <source>%1 改为 %2 %3</source>
        <translation>%1 changed to %2 %3</translation>
    </message>
    <message>
        <source>相量图已复制。</source>
        <translation>Phasor diagram copied.</translation>
    </message>
    <message>
        <source>/相量图.png</source>
        <translation>/phasors.png</translation>
    </message>
    <message>
        <source>PNG 图片 (*.png)</source>
        <translation>PNG images (*.png)</translation>
    </message>
    <message>
        <source>相量图已保存：%1</source>
        <translation>Phasor diagram saved: %1</translation>
    </message>
    <message>
        <source>相量图没有保存：%1</source>
        <translation>Phasor diagram not saved: %1</translation>
    </message>
</context>
<context>
    <name>mt::BusPoller</name>
    <message>
        <source>串口写入失败</source>
        <translation>writing to the port failed</translation>
    </message>
    <message>
        <source>等待</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <source>在线</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>离线</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>停用</source>
        <translation>Disabled</translation>
    </message>
</context>
<context>
    <name>mt::BusTableModel</name>
    <message>
        <source>上一轮没有更新</source>
        <translation>not updated in the last round</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>启用</source>
        <translation>Enabled</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>相电压 V</source>
        <translation>Phase V</translation>
    </message>
    <message>
        <source>总有功 kW</source>
        <translation>Total P kW</translation>
    </message>
    <message>
        <source>功率因数</source>
        <translation>Power factor</translation>
    </message>
    <message>
        <source>频率 Hz</source>
        <translation>Freq. Hz</translation>
    </message>
    <message>
        <source>响应 ms</source>
        <translation>Response ms</translation>
    </message>
    <message>
        <source>平均 ms</source>
        <translation>Mean ms</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>no answer</translation>
    </message>
    <message>
        <source>校验错误</source>
        <translation>CRC error</translation>
    </message>
    <message>
        <source>异常</source>
        <translation>Fault</translation>
    </message>
    <message>
        <source>格式错误</source>
        <translation>malformed</translation>
    </message>
    <message>
        <source>迟到</source>
        <translation>late</translation>
    </message>
    <message>
        <source>接线</source>
        <translation>Wiring</translation>
    </message>
</context>
<context>
    <name>mt::BusWindow</name>
    <message>
        <source>总线巡检</source>
        <translation>Bus overview</translation>
    </message>
    <message>
        <source>第 %1 轮用时 %2 ms，线路时间下限 %3 ms</source>
        <translation>Round %1 took %2 ms, line-time minimum %3 ms</translation>
    </message>
    <message>
        <source>巡检已停止：%1</source>
        <translation>Polling stopped: %1</translation>
    </message>
    <message>
        <source>记录(&amp;R)…</source>
        <translation>&amp;Record…</translation>
    </message>
    <message>
        <source>记录已停止：%1</source>
        <translation>Recording stopped: %1</translation>
    </message>
    <message>
        <source>开始巡检(&amp;S)</source>
        <translation>&amp;Start polling</translation>
    </message>
    <message>
        <source>巡检间隔</source>
        <translation>Polling interval</translation>
    </message>
    <message>
        <source>尽快</source>
        <translation>As fast as possible</translation>
    </message>
    <message>
        <source>每 %1 s</source>
        <translation>Every %1 s</translation>
    </message>
    <message>
        <source>显示</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>只看有问题的</source>
        <translation>Only with problems</translation>
    </message>
    <message>
        <source>只看离线的</source>
        <translation>Only offline</translation>
    </message>
    <message>
        <source>间隔(&amp;I)：</source>
        <translation>&amp;Interval:</translation>
    </message>
    <message>
        <source>显示(&amp;F)：</source>
        <translation>Show (&amp;F):</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>名称，如 1#进线柜</source>
        <translation>Name, e.g. Incomer 1</translation>
    </message>
    <message>
        <source>添加(&amp;A)</source>
        <translation>&amp;Add</translation>
    </message>
    <message>
        <source>删除(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>导入(&amp;O)…</source>
        <translation>Imp&amp;ort…</translation>
    </message>
    <message>
        <source>导出(&amp;E)…</source>
        <translation>&amp;Export…</translation>
    </message>
    <message>
        <source>地址：</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>仪表</source>
        <translation>Meter</translation>
    </message>
    <message>
        <source>1#进线柜总表</source>
        <translation>Incomer 1 main meter</translation>
    </message>
    <message>
        <source>巡检状态</source>
        <translation>Polling state</translation>
    </message>
    <message>
        <source>地址 %1 已在列表中</source>
        <translation>Address %1 is already in the list</translation>
    </message>
    <message>
        <source>导入巡检列表</source>
        <translation>Import bus list</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv);;所有文件 (*)</source>
        <translation>CSV files (*.csv);;All files (*)</translation>
    </message>
    <message>
        <source>导出巡检列表</source>
        <translation>Export bus list</translation>
    </message>
    <message>
        <source>巡检列表.csv</source>
        <translation>bus-list.csv</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>导出失败：%1</source>
        <translation>Export failed: %1</translation>
    </message>
    <message>
        <source>巡检记录</source>
        <translation>Bus recording</translation>
    </message>
    <message>
        <source>巡检_%1.csv</source>
        <translation>bus_%1.csv</translation>
    </message>
    <message>
        <source>无法记录：%1</source>
        <translation>Cannot record: %1</translation>
    </message>
    <message>
        <source>总线巡检 - com%1</source>
        <translation>Bus overview - com%1</translation>
    </message>
    <message>
        <source>巡检列表无法保存：%1</source>
        <translation>The bus list cannot be saved: %1</translation>
    </message>
    <message>
        <source>无法读取 %1：%2</source>
        <translation>Cannot read %1: %2</translation>
    </message>
    <message>
        <source>导入 %1 台仪表</source>
        <translation>Imported %1 meters</translation>
    </message>
    <message>
        <source>，跳过 %1 行：</source>
        <translation>, skipped %1 lines: </translation>
    </message>
    <message>
        <source>第 %1 行（%2）：%3</source>
        <translation>line %1 (%2): %3</translation>
    </message>
    <message>
        <source>已导出 %1 台仪表到 %2</source>
        <translation>Exported %1 meters to %2</translation>
    </message>
    <message>
        <source>列表中没有仪表：请添加、导入，或从搜索结果加入</source>
        <translation>The list has no meters: add, import, or take them from a search</translation>
    </message>
    <message>
        <source>串口无法关闭，巡检没有开始</source>
        <translation>The port cannot be closed; polling did not start</translation>
    </message>
    <message>
        <source>串口打不开，巡检没有开始：%1</source>
        <translation>The port does not open; polling did not start: %1</translation>
    </message>
    <message>
        <source>巡检 com%1，%2</source>
        <translation>Polling com%1, %2</translation>
    </message>
    <message>
        <source>停止巡检(&amp;S)</source>
        <translation>&amp;Stop polling</translation>
    </message>
    <message>
        <source>停止巡检</source>
        <translation>Stop polling</translation>
    </message>
    <message>
        <source>开始巡检</source>
        <translation>Start polling</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>相电压(V)</source>
        <translation>Phase V (V)</translation>
    </message>
    <message>
        <source>总有功(kW)</source>
        <translation>Total P (kW)</translation>
    </message>
    <message>
        <source>功率因数</source>
        <translation>Power factor</translation>
    </message>
    <message>
        <source>频率(Hz)</source>
        <translation>Frequency (Hz)</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>停止记录(&amp;R)</source>
        <translation>Stop &amp;recording</translation>
    </message>
    <message>
        <source>记录到 %1</source>
        <translation>Recording to %1</translation>
    </message>
</context>
<context>
    <name>mt::DurableCsvFile</name>
    <message>
        <source>磁盘已满</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>no permission to write</translation>
    </message>
    <message>
        <source>文件夹不存在</source>
        <translation>the folder does not exist</translation>
    </message>
    <message>
        <source>记录文件或其所在的文件夹、介质已不存在</source>
        <translation>the recording file, its folder or its medium is gone</translation>
    </message>
    <message>
        <source>写入太慢，记录跟不上</source>
        <translation>writing is too slow for the recording</translation>
    </message>
    <message>
        <source>存储介质无响应，正在写入的一行可能不完整</source>
        <translation>the storage medium does not respond; the line being written may be incomplete</translation>
    </message>
    <message>
        <source>写入失败：%1</source>
        <translation>writing failed: %1</translation>
    </message>
</context>
<context>
    <name>mt::LineDiagnostics</name>
    <message>
        <source>仪表应答约 %1 ms，超过本画面 %2 ms 的等待：应答被算作迟到。请提高波特率，或减小仪表自身的应答延时设置</source>
        <translation>The meter answers in about %1 ms, longer than this screen&apos;s %2 ms wait: answers count as late. Raise the baud rate, or lower the meter&apos;s own answer delay setting</translation>
    </message>
    <message>
        <source>仪表异常应答（代码 %1）：%2</source>
        <translation>The meter answers with an exception (code %1): %2</translation>
    </message>
    <message>
        <source>请求 %1  正常 %2  无应答 %3  校验错误 %4  异常 %5  格式错误 %6  迟到 %7  响应 %8/%9 ms  自 %10</source>
        <translation>Requests %1  OK %2  No answer %3  CRC %4  Exception %5  Malformed %6  Late %7  Response %8/%9 ms  since %10</translation>
    </message>
    <message>
        <source>仪表无应答：请检查仪表地址、波特率、校验位和接线</source>
        <translation>The meter does not answer: check the meter address, baud rate, parity and wiring</translation>
    </message>
    <message>
        <source>多数应答校验错误：请检查波特率和校验位是否与仪表一致，以及线路干扰</source>
        <translation>Most answers fail the CRC: check that baud rate and parity match the meter, and look for noise on the line</translation>
    </message>
    <message>
        <source>多数应答格式错误：线路上可能有干扰，或有另一个主站在通信</source>
        <translation>Most answers are malformed: there may be noise on the line, or another master talking</translation>
    </message>
    <message>
        <source>仪表应答迟到：仪表响应慢或波特率太低，应答在等待时间内收不全</source>
        <translation>The meter answers late: it responds slowly or the baud rate is too low, so answers do not arrive in time</translation>
    </message>
    <message>
        <source>  网关异常 %1</source>
        <translation>  gateway exceptions %1</translation>
    </message>
    <message>
        <source>  丢弃 %1</source>
        <translation>  dropped %1</translation>
    </message>
    <message>
        <source>  地址不符 %1</source>
        <translation>  address mismatches %1</translation>
    </message>
    <message>
        <source>网关路径不可用（异常 0A）：网关找不到通往该仪表的路径，请检查网关的串口配置和仪表地址</source>
        <translation>Gateway path unavailable (exception 0A): the gateway has no path to this meter; check the gateway&apos;s serial configuration and the meter address</translation>
    </message>
    <message>
        <source>网关后的仪表无应答（异常 0B）：请检查网关的串口设置（波特率、校验位）、RS-485 接线和仪表地址</source>
        <translation>The meter behind the gateway does not answer (exception 0B): check the gateway&apos;s serial settings (baud rate, parity), the RS-485 wiring and the meter address</translation>
    </message>
    <message>
        <source>应答来自另一个仪表地址：请检查网关的地址映射和仪表地址</source>
        <translation>Answers come from another meter address: check the gateway&apos;s address mapping and the meter address</translation>
    </message>
    <message>
        <source>网关送回了不属于当前请求的应答，已丢弃：可能有另一个主站在使用这个网关</source>
        <translation>The gateway sent answers that belong to no current request; dropped: another master may be using this gateway</translation>
    </message>
</context>
<context>
    <name>mt::MonitorWindow</name>
    <message>
        <source>无对应请求</source>
        <translation>no matching request</translation>
    </message>
    <message>
        <source>搜索仪表(&amp;S)…</source>
        <translation>&amp;Search for meters…</translation>
    </message>
    <message>
        <source>总线巡检(&amp;B)…</source>
        <translation>&amp;Bus overview…</translation>
    </message>
    <message>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>查看(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>工具(&amp;T)</source>
        <translation>&amp;Tools</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>通信监视(&amp;M)</source>
        <translation>Traffic &amp;monitor</translation>
    </message>
    <message>
        <source>重置计数(&amp;R)</source>
        <translation>&amp;Reset counters</translation>
    </message>
    <message>
        <source>趋势图(&amp;T)</source>
        <translation>&amp;Trend</translation>
    </message>
    <message>
        <source>三相分析(&amp;A)</source>
        <translation>Three-phase &amp;analysis</translation>
    </message>
    <message>
        <source>恢复默认设置(&amp;D)</source>
        <translation>Restore &amp;default settings</translation>
    </message>
    <message>
        <source>已恢复默认设置：下次启动时按默认设置开始，本次不再保存设置</source>
        <translation>Default settings restored: the next start uses the defaults, and nothing more is saved now</translation>
    </message>
    <message>
        <source>关于仪表测试(&amp;A)</source>
        <translation>&amp;About MeterTest</translation>
    </message>
    <message>
        <source>导出调试报告(&amp;E)…</source>
        <translation>&amp;Export commissioning report…</translation>
    </message>
    <message>
        <source>退出(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>趋势图 - </source>
        <translation>Trend - </translation>
    </message>
    <message>
        <source>三相分析 - </source>
        <translation>Three-phase analysis - </translation>
    </message>
    <message>
        <source>com%1，%2</source>
        <translation>com%1, %2</translation>
    </message>
    <message>
        <source>导出调试报告</source>
        <translation>Export commissioning report</translation>
    </message>
    <message>
        <source>PDF 文件 (*.pdf)</source>
        <translation>PDF files (*.pdf)</translation>
    </message>
    <message>
        <source>-报告.pdf</source>
        <translation>-report.pdf</translation>
    </message>
    <message>
        <source>调试报告已导出：%1</source>
        <translation>Commissioning report exported: %1</translation>
    </message>
    <message>
        <source>调试报告没有导出：%1
%2</source>
        <translation>Commissioning report not exported: %1
%2</translation>
    </message>
    <message>
        <source>加入趋势图</source>
        <translation>Add to trend</translation>
    </message>
    <message>
        <source>退      出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>界面语言保持为%1</source>
        <translation>The interface language stays %1</translation>
    </message>
    <message>
        <source>界面语言在下次启动时改为%1</source>
        <translation>The interface language becomes %1 at the next start</translation>
    </message>
    <message>
        <source>下次启动时生效</source>
        <translation>Takes effect at the next start</translation>
    </message>
    <message>
        <source>趋势图无法打开：%1</source>
        <translation>The trend cannot be opened: %1</translation>
    </message>
    <message>
        <source>网络端口(&amp;N)…</source>
        <translation>&amp;Network ports…</translation>
    </message>
    <message>
        <source>自动重连(&amp;R)</source>
        <translation>Auto &amp;reconnect</translation>
    </message>
    <message>
        <source>设备或连接断开后，保持端口并每隔 1 到 30 秒重试，恢复后继续采集</source>
        <translation>When the device or connection is lost, keep the port, retry every 1 to 30 s and resume polling when it is back</translation>
    </message>
    <message>
        <source>com%1：自动重连已打开，下次打开端口时生效</source>
        <translation>com%1: auto reconnect on, from the next time the port is opened</translation>
    </message>
    <message>
        <source>com%1：自动重连已关闭，下次打开端口时生效</source>
        <translation>com%1: auto reconnect off, from the next time the port is opened</translation>
    </message>
    <message>
        <source>连接中：%1</source>
        <translation>Connecting: %1</translation>
    </message>
    <message>
        <source>已连接：%1</source>
        <translation>Connected: %1</translation>
    </message>
    <message>
        <source>已断开 %1:%2，正在重试</source>
        <translation>Lost %1:%2, retrying</translation>
    </message>
    <message>
        <source>已断开</source>
        <translation>Lost</translation>
    </message>
    <message>
        <source>准确度试验(&amp;A)…</source>
        <translation>&amp;Accuracy test…</translation>
    </message>
</context>
<context>
    <name>mt::NetworkPortsDialog</name>
    <message>
        <source>第 %1 行：%2</source>
        <translation>Row %1: %2</translation>
    </message>
    <message>
        <source>端口须为 com1 到 com%1</source>
        <translation>The port must be com1 to com%1</translation>
    </message>
    <message>
        <source>com%1 已映射</source>
        <translation>com%1 is already mapped</translation>
    </message>
    <message>
        <source>请填写网关的主机名或地址</source>
        <translation>Enter the gateway&apos;s host name or address</translation>
    </message>
    <message>
        <source>“%1”不是主机名或地址</source>
        <translation>&quot;%1&quot; is not a host name or address</translation>
    </message>
    <message>
        <source>TCP 端口须为 1 到 65535</source>
        <translation>The TCP port must be 1 to 65535</translation>
    </message>
    <message>
        <source>网络端口</source>
        <translation>Network ports</translation>
    </message>
    <message>
        <source>把端口号映射到串口服务器（网关）。映射的端口号优先于同号的串口设备；线路的波特率和校验位在网关中设置。修改在下次打开端口时生效。</source>
        <translation>Map port numbers to serial servers (gateways). A mapped port number takes precedence over a serial device of the same number; the line&apos;s baud rate and parity are set in the gateway. Changes apply the next time a port is opened.</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>主机</source>
        <translation>Host</translation>
    </message>
    <message>
        <source>TCP 端口</source>
        <translation>TCP port</translation>
    </message>
    <message>
        <source>帧格式</source>
        <translation>Framing</translation>
    </message>
    <message>
        <source>自动重连</source>
        <translation>Auto reconnect</translation>
    </message>
    <message>
        <source>添加(&amp;A)</source>
        <translation>&amp;Add</translation>
    </message>
    <message>
        <source>删除(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>应用(&amp;P)</source>
        <translation>A&amp;pply</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>网络端口状态</source>
        <translation>Network ports state</translation>
    </message>
    <message>
        <source>192.168.1.20 或 gateway.local</source>
        <translation>192.168.1.20 or gateway.local</translation>
    </message>
    <message>
        <source>已保存：没有映射到网络的端口</source>
        <translation>Saved: no port is mapped to the network</translation>
    </message>
    <message>
        <source>已保存 %1 个网络端口；下次打开端口时生效</source>
        <translation>Saved %1 network ports; they apply the next time a port is opened</translation>
    </message>
</context>
<context>
    <name>mt::PanelMeterWindow</name>
    <message>
        <source>相电压Uan</source>
        <translation>Voltage Uan</translation>
    </message>
    <message>
        <source>相电压Ubn</source>
        <translation>Voltage Ubn</translation>
    </message>
    <message>
        <source>相电压Ucn</source>
        <translation>Voltage Ucn</translation>
    </message>
    <message>
        <source>有功功率Pa</source>
        <translation>Active Pa</translation>
    </message>
    <message>
        <source>有功功率Pb</source>
        <translation>Active Pb</translation>
    </message>
    <message>
        <source>有功功率Pc</source>
        <translation>Active Pc</translation>
    </message>
    <message>
        <source>总有功率P</source>
        <translation>Total P</translation>
    </message>
    <message>
        <source>正有功电能</source>
        <translation>Import kWh</translation>
    </message>
    <message>
        <source>线电压Uab</source>
        <translation>Line Uab</translation>
    </message>
    <message>
        <source>线电压Ubc</source>
        <translation>Line Ubc</translation>
    </message>
    <message>
        <source>线电压Uca</source>
        <translation>Line Uca</translation>
    </message>
    <message>
        <source>无功功率Qa</source>
        <translation>Reactive Qa</translation>
    </message>
    <message>
        <source>无功功率Qb</source>
        <translation>Reactive Qb</translation>
    </message>
    <message>
        <source>无功功率Qc</source>
        <translation>Reactive Qc</translation>
    </message>
    <message>
        <source>总无功功率Q</source>
        <translation>Total Q</translation>
    </message>
    <message>
        <source>负有功电能</source>
        <translation>Export kWh</translation>
    </message>
    <message>
        <source>电流Ia</source>
        <translation>Current Ia</translation>
    </message>
    <message>
        <source>电流Ib</source>
        <translation>Current Ib</translation>
    </message>
    <message>
        <source>电流Ic</source>
        <translation>Current Ic</translation>
    </message>
    <message>
        <source>功率因数</source>
        <translation>Power factor</translation>
    </message>
    <message>
        <source>电网频率</source>
        <translation>Frequency</translation>
    </message>
    <message>
        <source>视在功率</source>
        <translation>Apparent S</translation>
    </message>
    <message>
        <source>正无功电能</source>
        <translation>Import kvarh</translation>
    </message>
    <message>
        <source>负无功电能</source>
        <translation>Export kvarh</translation>
    </message>
    <message>
        <source>仪表检测数据</source>
        <translation>Meter readings</translation>
    </message>
    <message>
        <source>开关量输出</source>
        <translation>Outputs</translation>
    </message>
    <message>
        <source>开关量输入</source>
        <translation>Inputs</translation>
    </message>
    <message>
        <source>一次</source>
        <translation>primary</translation>
    </message>
    <message>
        <source>二次</source>
        <translation>secondary</translation>
    </message>
    <message>
        <source>一次数据采集</source>
        <translation>Read primary</translation>
    </message>
    <message>
        <source>关闭一次数据采集</source>
        <translation>Stop primary</translation>
    </message>
    <message>
        <source>二次数据采集</source>
        <translation>Read secondary</translation>
    </message>
    <message>
        <source>关闭二次数据采集</source>
        <translation>Stop secondary</translation>
    </message>
</context>
<context>
    <name>mt::PhasorView</name>
    <message>
        <source>相量图</source>
        <translation>Phasor diagram</translation>
    </message>
</context>
<context>
    <name>mt::PlanTexts</name>
    <message>
        <source>误差</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>潜动</source>
        <translation>Creep</translation>
    </message>
    <message>
        <source>走字</source>
        <translation>Register</translation>
    </message>
    <message>
        <source>不是 UTF-8 文本</source>
        <translation>not UTF-8 text</translation>
    </message>
    <message>
        <source>引号没有闭合</source>
        <translation>a quote is not closed</translation>
    </message>
    <message>
        <source>不是试验方案文件（第一行应为“%1,%2”）</source>
        <translation>not a test plan file (the first line should be &quot;%1,%2&quot;)</translation>
    </message>
    <message>
        <source>缺少格式版本</source>
        <translation>the format version is missing</translation>
    </message>
    <message>
        <source>格式版本 %1 比本程序新（最高 %2）</source>
        <translation>format version %1 is newer than this program (up to %2)</translation>
    </message>
    <message>
        <source>标题行应为“%1”</source>
        <translation>the heading should be &quot;%1&quot;</translation>
    </message>
    <message>
        <source>应为“名称,值”</source>
        <translation>should be &quot;name,value&quot;</translation>
    </message>
    <message>
        <source>接入方式应为 direct 或 transformer</source>
        <translation>the connection should be direct or transformer</translation>
    </message>
    <message>
        <source>“%1”不是正数</source>
        <translation>&quot;%1&quot; is not a positive number</translation>
    </message>
    <message>
        <source>未知的项“%1”</source>
        <translation>unknown key &quot;%1&quot;</translation>
    </message>
    <message>
        <source>列数多于 %1</source>
        <translation>more than %1 columns</translation>
    </message>
    <message>
        <source>未知的试验类型“%1”</source>
        <translation>unknown test kind &quot;%1&quot;</translation>
    </message>
    <message>
        <source>电压“%1”无效</source>
        <translation>voltage &quot;%1&quot; is not valid</translation>
    </message>
    <message>
        <source>电流“%1”无效</source>
        <translation>current &quot;%1&quot; is not valid</translation>
    </message>
    <message>
        <source>功率因数“%1”无效（如 1、0.5L、0.8C）</source>
        <translation>power factor &quot;%1&quot; is not valid (e.g. 1, 0.5L, 0.8C)</translation>
    </message>
    <message>
        <source>频率“%1”无效</source>
        <translation>frequency &quot;%1&quot; is not valid</translation>
    </message>
    <message>
        <source>稳定时间“%1”无效</source>
        <translation>settle time &quot;%1&quot; is not valid</translation>
    </message>
    <message>
        <source>读数次数“%1”应为 1 到 %2</source>
        <translation>readings &quot;%1&quot; should be 1 to %2</translation>
    </message>
    <message>
        <source>判定量“%1”中有未知的量</source>
        <translation>judged &quot;%1&quot; names an unknown quantity</translation>
    </message>
    <message>
        <source>误差试验点至少要判定一个量</source>
        <translation>an error point must judge at least one quantity</translation>
    </message>
    <message>
        <source>运行时间“%1”无效</source>
        <translation>run time &quot;%1&quot; is not valid</translation>
    </message>
    <message>
        <source>文件是空的</source>
        <translation>the file is empty</translation>
    </message>
    <message>
        <source>缺少试验点标题行</source>
        <translation>the heading of the points is missing</translation>
    </message>
    <message>
        <source>方案中没有试验点</source>
        <translation>The plan has no test points</translation>
    </message>
    <message>
        <source>Imax 小于 In</source>
        <translation>Imax is below In</translation>
    </message>
    <message>
        <source>%1 级直接接入（5(60) A）</source>
        <translation>Class %1 direct (5(60) A)</translation>
    </message>
    <message>
        <source>%1 级经互感器接入（1.5(6) A）</source>
        <translation>Class %1 via transformers (1.5(6) A)</translation>
    </message>
</context>
<context>
    <name>mt::PortPanel</name>
    <message>
        <source>仪表参数选择</source>
        <translation>Meter</translation>
    </message>
    <message>
        <source>串口通信选择</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>仪表地址：</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>波特率：</source>
        <translation>Baud rate:</translation>
    </message>
    <message>
        <source>com：</source>
        <translation>com:</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>校验位：</source>
        <translation>Parity:</translation>
    </message>
    <message>
        <source>数据位：</source>
        <translation>Data bits:</translation>
    </message>
    <message>
        <source>停止位：</source>
        <translation>Stop bits:</translation>
    </message>
    <message>
        <source>com%1：%2</source>
        <translation>com%1: %2</translation>
    </message>
    <message>
        <source>仪表地址无效</source>
        <translation>Invalid meter address</translation>
    </message>
    <message>
        <source>所选串口无效</source>
        <translation>The chosen port is invalid</translation>
    </message>
    <message>
        <source>com%1：未找到对应设备</source>
        <translation>com%1: no device found</translation>
    </message>
    <message>
        <source>打开串口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>关闭串口</source>
        <translation>Close port</translation>
    </message>
    <message>
        <source>无效端口号</source>
        <translation>Invalid port number</translation>
    </message>
    <message>
        <source>串口已经打开</source>
        <translation>The port is already open</translation>
    </message>
    <message>
        <source>串口已断开</source>
        <translation>The port was disconnected</translation>
    </message>
</context>
<context>
    <name>mt::RailMeterWindow</name>
    <message>
        <source>相电压Uan</source>
        <translation>Voltage Uan</translation>
    </message>
    <message>
        <source>线电压Uab</source>
        <translation>Line Uab</translation>
    </message>
    <message>
        <source>电流Ia</source>
        <translation>Current Ia</translation>
    </message>
    <message>
        <source>视在功率A</source>
        <translation>Apparent Sa</translation>
    </message>
    <message>
        <source>相电压Ubn</source>
        <translation>Voltage Ubn</translation>
    </message>
    <message>
        <source>线电压Ubc</source>
        <translation>Line Ubc</translation>
    </message>
    <message>
        <source>电流Ib</source>
        <translation>Current Ib</translation>
    </message>
    <message>
        <source>视在功率B</source>
        <translation>Apparent Sb</translation>
    </message>
    <message>
        <source>相电压Ucn</source>
        <translation>Voltage Ucn</translation>
    </message>
    <message>
        <source>线电压Uca</source>
        <translation>Line Uca</translation>
    </message>
    <message>
        <source>电流Ic</source>
        <translation>Current Ic</translation>
    </message>
    <message>
        <source>视在功率C</source>
        <translation>Apparent Sc</translation>
    </message>
    <message>
        <source>有功功率Pa</source>
        <translation>Active Pa</translation>
    </message>
    <message>
        <source>无功功率Qa</source>
        <translation>Reactive Qa</translation>
    </message>
    <message>
        <source>AB电位相位</source>
        <translation>Angle AB</translation>
    </message>
    <message>
        <source>度</source>
        <translation>°</translation>
    </message>
    <message>
        <source>视在功率</source>
        <translation>Apparent S</translation>
    </message>
    <message>
        <source>有功功率Pb</source>
        <translation>Active Pb</translation>
    </message>
    <message>
        <source>无功功率Qb</source>
        <translation>Reactive Qb</translation>
    </message>
    <message>
        <source>BC电位相位</source>
        <translation>Angle BC</translation>
    </message>
    <message>
        <source>功率因数</source>
        <translation>Power factor</translation>
    </message>
    <message>
        <source>有功功率Pc</source>
        <translation>Active Pc</translation>
    </message>
    <message>
        <source>无功功率Qc</source>
        <translation>Reactive Qc</translation>
    </message>
    <message>
        <source>CA电位相位</source>
        <translation>Angle CA</translation>
    </message>
    <message>
        <source>电网频率</source>
        <translation>Frequency</translation>
    </message>
    <message>
        <source>总有功率P</source>
        <translation>Total P</translation>
    </message>
    <message>
        <source>总无功功率Q</source>
        <translation>Total Q</translation>
    </message>
    <message>
        <source>当前总
有功电能</source>
        <translation>Total
active</translation>
    </message>
    <message>
        <source>当前总尖
有功电能</source>
        <translation>Sharp
active</translation>
    </message>
    <message>
        <source>当前总峰
有功电能</source>
        <translation>Peak
active</translation>
    </message>
    <message>
        <source>当前总平
有功电能</source>
        <translation>Flat
active</translation>
    </message>
    <message>
        <source>当前总谷
有功电能</source>
        <translation>Valley
active</translation>
    </message>
    <message>
        <source>当前正向总
有功电能</source>
        <translation>Import
active</translation>
    </message>
    <message>
        <source>当前反向总
有功电能</source>
        <translation>Export
active</translation>
    </message>
    <message>
        <source>当前总
无功电能</source>
        <translation>Total
reactive</translation>
    </message>
    <message>
        <source>当前正向总
无功电能</source>
        <translation>Import
reactive</translation>
    </message>
    <message>
        <source>当前反向总
无功电能</source>
        <translation>Export
reactive</translation>
    </message>
    <message>
        <source>电压最大
需求量</source>
        <translation>Voltage
max demand</translation>
    </message>
    <message>
        <source>电压最大需量
发生时间</source>
        <translation>Voltage max
demand time</translation>
    </message>
    <message>
        <source>电流最大
需求量</source>
        <translation>Current
max demand</translation>
    </message>
    <message>
        <source>电流最大需量
发生时间</source>
        <translation>Current max
demand time</translation>
    </message>
    <message>
        <source>最近电能
清零时间</source>
        <translation>Last energy
reset time</translation>
    </message>
    <message>
        <source>仪表检测数据</source>
        <translation>Meter readings</translation>
    </message>
    <message>
        <source>数据采集</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>关闭数据采集</source>
        <translation>Stop reading</translation>
    </message>
    <message>
        <source>二次数据采集</source>
        <translation>Read secondary</translation>
    </message>
    <message>
        <source>关闭二次数据采集</source>
        <translation>Stop secondary</translation>
    </message>
</context>
<context>
    <name>mt::RecordTexts</name>
    <message>
        <source>无读数</source>
        <translation>No readings</translation>
    </message>
    <message>
        <source>有功电能 (kWh)</source>
        <translation>Active energy (kWh)</translation>
    </message>
    <message>
        <source>不走字</source>
        <translation>No advance</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>点</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>设定</source>
        <translation>Set point</translation>
    </message>
    <message>
        <source>量</source>
        <translation>Quantity</translation>
    </message>
    <message>
        <source>基准</source>
        <translation>Reference</translation>
    </message>
    <message>
        <source>读数</source>
        <translation>Reading</translation>
    </message>
    <message>
        <source>标准差</source>
        <translation>Std dev</translation>
    </message>
    <message>
        <source>误差</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>限值</source>
        <translation>Limit</translation>
    </message>
    <message>
        <source>判定</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>读数次数</source>
        <translation>Readings</translation>
    </message>
    <message>
        <source>电能表准确度试验记录</source>
        <translation>Meter accuracy test record</translation>
    </message>
    <message>
        <source>仪表类型</source>
        <translation>Meter type</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>准确度等级</source>
        <translation>Accuracy class</translation>
    </message>
    <message>
        <source>有功 %1 级，电压电流 %2 级</source>
        <translation>active class %1, voltage and current class %2</translation>
    </message>
    <message>
        <source>线路</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>试验方案</source>
        <translation>Test plan</translation>
    </message>
    <message>
        <source>额定值</source>
        <translation>Ratings</translation>
    </message>
    <message>
        <source>Un %1 V，%2 %3 A，Imax %4 A，%5</source>
        <translation>Un %1 V, %2 %3 A, Imax %4 A, %5</translation>
    </message>
    <message>
        <source>直接接入</source>
        <translation>direct</translation>
    </message>
    <message>
        <source>经互感器接入</source>
        <translation>via transformers</translation>
    </message>
    <message>
        <source>试验员</source>
        <translation>Operator</translation>
    </message>
    <message>
        <source>日期</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>温度</source>
        <translation>Temperature</translation>
    </message>
    <message>
        <source>湿度</source>
        <translation>Humidity</translation>
    </message>
    <message>
        <source>结论：</source>
        <translation>Verdict: </translation>
    </message>
    <message>
        <source>未完成</source>
        <translation>not complete</translation>
    </message>
    <message>
        <source>试验员：</source>
        <translation>Operator:</translation>
    </message>
    <message>
        <source>核验员：</source>
        <translation>Checked by:</translation>
    </message>
    <message>
        <source>日期：</source>
        <translation>Date:</translation>
    </message>
    <message>
        <source>表位%1_地址%2</source>
        <translation>Position%1_Address%2</translation>
    </message>
</context>
<context>
    <name>mt::RecordingController</name>
    <message>
        <source>开始记录(&amp;R)…</source>
        <translation>Start &amp;recording…</translation>
    </message>
    <message>
        <source>停止记录(&amp;S)</source>
        <translation>&amp;Stop recording</translation>
    </message>
    <message>
        <source>开始记录</source>
        <translation>Start recording</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>无法开始记录：%1。
文件：%2</source>
        <translation>Cannot start recording: %1.
File: %2</translation>
    </message>
    <message>
        <source>记录已停止：%1。
文件：%2
已写入 %3 行。</source>
        <translation>Recording stopped: %1.
File: %2
%3 rows written.</translation>
    </message>
    <message>
        <source>记录中：</source>
        <translation>Recording: </translation>
    </message>
    <message>
        <source>，%1 行</source>
        <translation>, %1 rows</translation>
    </message>
</context>
<context>
    <name>mt::SearchDialog</name>
    <message>
        <source>搜索仪表 - </source>
        <translation>Search for meters - </translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>校验位</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>无校验 N</source>
        <translation>None N</translation>
    </message>
    <message>
        <source>偶校验 E</source>
        <translation>Even E</translation>
    </message>
    <message>
        <source>奇校验 O</source>
        <translation>Odd O</translation>
    </message>
    <message>
        <source>数据位 8，停止位 1（仪表使用 8 位数据）</source>
        <translation>8 data bits, 1 stop bit (the meters use 8 data bits)</translation>
    </message>
    <message>
        <source>地址范围(&amp;A)：</source>
        <translation>&amp;Addresses:</translation>
    </message>
    <message>
        <source>起始地址</source>
        <translation>First address</translation>
    </message>
    <message>
        <source>结束地址</source>
        <translation>Last address</translation>
    </message>
    <message>
        <source>至</source>
        <translation>to</translation>
    </message>
    <message>
        <source>应答超时(&amp;T)：</source>
        <translation>Answer &amp;timeout:</translation>
    </message>
    <message>
        <source>应答超时</source>
        <translation>Answer timeout</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>自动：按波特率计算，应答的传输时间加 %1 ms</source>
        <translation>Automatic: from the baud rate, the answer&apos;s line time plus %1 ms</translation>
    </message>
    <message>
        <source>找到一台即停止(&amp;F)</source>
        <translation>Stop at the &amp;first meter found</translation>
    </message>
    <message>
        <source>开始搜索(&amp;S)</source>
        <translation>&amp;Start search</translation>
    </message>
    <message>
        <source>取消搜索(&amp;C)</source>
        <translation>&amp;Cancel search</translation>
    </message>
    <message>
        <source>搜索进度</source>
        <translation>Search progress</translation>
    </message>
    <message>
        <source>搜索结果</source>
        <translation>Search results</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>仪表类型</source>
        <translation>Meter type</translation>
    </message>
    <message>
        <source>响应时间 (ms)</source>
        <translation>Response (ms)</translation>
    </message>
    <message>
        <source>使用(&amp;U)</source>
        <translation>&amp;Use</translation>
    </message>
    <message>
        <source>把选中仪表的地址、波特率和校验位填入串口面板</source>
        <translation>Put the selected meter&apos;s address, baud rate and parity into the port panel</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>加入巡检(&amp;B)</source>
        <translation>Add to &amp;bus</translation>
    </message>
    <message>
        <source>把选中的仪表加入总线巡检的列表</source>
        <translation>Add the selected meter to the bus overview&apos;s list</translation>
    </message>
    <message>
        <source>全部加入巡检</source>
        <translation>Add all to bus</translation>
    </message>
    <message>
        <source>把找到的所有仪表加入总线巡检的列表</source>
        <translation>Add every meter found to the bus overview&apos;s list</translation>
    </message>
    <message>
        <source>com%1（未找到对应设备）</source>
        <translation>com%1 (no device found)</translation>
    </message>
    <message>
        <source>com%1（%2）</source>
        <translation>com%1 (%2)</translation>
    </message>
    <message>
        <source>串口面板所选的串口无效：请先选一个串口。</source>
        <translation>The port chosen in the port panel is invalid: choose a port first.</translation>
    </message>
    <message>
        <source>正在 %1 上搜索</source>
        <translation>Searching on %1</translation>
    </message>
    <message>
        <source>在 %1 上搜索</source>
        <translation>Search on %1</translation>
    </message>
    <message>
        <source>请至少选一个波特率和一个校验位</source>
        <translation>Choose at least one baud rate and one parity</translation>
    </message>
    <message>
        <source>共 %1 次试读，最长约 %2</source>
        <translation>%1 trial reads, at most about %2</translation>
    </message>
    <message>
        <source>无法搜索：请至少选一个波特率和一个校验位。</source>
        <translation>Cannot search: choose at least one baud rate and one parity.</translation>
    </message>
    <message>
        <source>无法搜索：本程序没有可供搜索使用的串口组件。</source>
        <translation>Cannot search: this program has no serial port component for searching.</translation>
    </message>
    <message>
        <source>com%1 关不掉，无法搜索。</source>
        <translation>com%1 does not close; cannot search.</translation>
    </message>
    <message>
        <source>数据采集已停止。</source>
        <translation>Reading has stopped.</translation>
    </message>
    <message>
        <source>搜索期间 com%1 由搜索使用，结束后按原设置重新打开。</source>
        <translation>During the search com%1 is used by the search; afterwards it reopens with its old settings.</translation>
    </message>
    <message>
        <source>搜索期间串口面板暂停使用。</source>
        <translation>The port panel is paused during the search.</translation>
    </message>
    <message>
        <source>剩余不到 1 秒</source>
        <translation>less than 1 s left</translation>
    </message>
    <message>
        <source>剩余最多约 %1</source>
        <translation>at most about %1 left</translation>
    </message>
    <message>
        <source>正在试 %1，地址 %2；%3</source>
        <translation>Trying %1, address %2; %3</translation>
    </message>
    <message>
        <source>（非本窗口类型）</source>
        <translation> (not this window&apos;s type)</translation>
    </message>
    <message>
        <source>搜索完毕，找到 %1 台仪表</source>
        <translation>Search finished, %1 meters found</translation>
    </message>
    <message>
        <source>，另有 %1 条其他应答</source>
        <translation>, %1 other answers</translation>
    </message>
    <message>
        <source>，跳过 %1 组串口设置</source>
        <translation>, %1 port settings skipped</translation>
    </message>
    <message>
        <source>。</source>
        <translation>.</translation>
    </message>
    <message>
        <source>已找到一台仪表，搜索停止。</source>
        <translation>A meter was found; the search stopped.</translation>
    </message>
    <message>
        <source>搜索已取消。</source>
        <translation>Search cancelled.</translation>
    </message>
    <message>
        <source>串口已按原设置重新打开。</source>
        <translation>The port is open again with its old settings.</translation>
    </message>
    <message>
        <source>串口没能重新打开。</source>
        <translation>The port could not be opened again.</translation>
    </message>
    <message>
        <source>数据采集已停止，需要时请重新开始。</source>
        <translation>Reading has stopped; start it again when needed.</translation>
    </message>
    <message>
        <source>注意：地址 %1 上是%2，本窗口监视的是%3。</source>
        <translation>Note: address %1 is a %2; this window watches a %3.</translation>
    </message>
    <message>
        <source>已填入串口面板：地址 %1，%2。</source>
        <translation>Put into the port panel: address %1, %2.</translation>
    </message>
    <message>
        <source>串口没能按新设置重新打开。</source>
        <translation>The port could not be opened again with the new settings.</translation>
    </message>
    <message>
        <source>串口已按新设置重新打开。</source>
        <translation>The port is open again with the new settings.</translation>
    </message>
    <message>
        <source>打开串口后按此通信。</source>
        <translation>Used when the port is opened.</translation>
    </message>
    <message>
        <source>已把 %1 台仪表加入总线巡检。</source>
        <translation>%1 meters added to the bus overview.</translation>
    </message>
    <message>
        <source>不到 1 秒</source>
        <translation>less than 1 s</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 分 %2 秒</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 小时 %2 分</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>仪表（类型未能确定）</source>
        <translation>meter (type not determined)</translation>
    </message>
    <message>
        <source>其他设备（异常应答 %1）</source>
        <translation>other device (exception %1)</translation>
    </message>
    <message>
        <source>校验错误：可能波特率或校验位不符</source>
        <translation>CRC error: baud rate or parity may not match</translation>
    </message>
    <message>
        <source>应答不完整：可能波特率或校验位不符</source>
        <translation>incomplete answer: baud rate or parity may not match</translation>
    </message>
    <message>
        <source>应答来迟：请加大应答超时</source>
        <translation>late answer: increase the answer timeout</translation>
    </message>
    <message>
        <source>串口不接受此设置，已跳过</source>
        <translation>the port does not accept these settings; skipped</translation>
    </message>
    <message>
        <source>%1 没有对应的设备：串口不存在或已拔出，无法搜索。</source>
        <translation>%1 has no device: the port does not exist or was unplugged; cannot search.</translation>
    </message>
    <message>
        <source>%1 %2，无法搜索。%3</source>
        <translation>%1 %2; cannot search. %3</translation>
    </message>
    <message>
        <source>正被其他程序占用</source>
        <translation>is in use by another program</translation>
    </message>
    <message>
        <source>不允许本用户打开</source>
        <translation>may not be opened by this user</translation>
    </message>
    <message>
        <source>%1 在搜索中断开了（设备已拔出或已关闭）。</source>
        <translation>%1 was disconnected during the search (device unplugged or switched off).</translation>
    </message>
    <message>
        <source>所选串口无效：请在串口面板中选一个串口。</source>
        <translation>The chosen port is invalid: choose a port in the port panel.</translation>
    </message>
    <message>
        <source>%1 不接受这组串口设置，无法搜索。</source>
        <translation>%1 does not accept these port settings; cannot search.</translation>
    </message>
    <message>
        <source>%1 无法使用，搜索中止。</source>
        <translation>%1 cannot be used; search stopped.</translation>
    </message>
    <message>
        <source>网络端口：波特率和校验位在网关中设置，只搜索地址</source>
        <translation>Network port: the baud rate and parity are set in the gateway; only addresses are searched</translation>
    </message>
</context>
<context>
    <name>mt::StartScreen</name>
    <message>
        <source>请选择仪表类型：</source>
        <translation>Choose the meter type:</translation>
    </message>
    <message>
        <source>仪表类型</source>
        <translation>Meter type</translation>
    </message>
    <message>
        <source>进入</source>
        <translation>Enter</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>mt::StatusLamp</name>
    <message>
        <source>串口状态</source>
        <translation>Port state</translation>
    </message>
    <message>
        <source>串口已打开</source>
        <translation>Port open</translation>
    </message>
    <message>
        <source>串口已关闭</source>
        <translation>Port closed</translation>
    </message>
    <message>
        <source>连接中</source>
        <translation>Connecting</translation>
    </message>
    <message>
        <source>已断开</source>
        <translation>Lost</translation>
    </message>
</context>
<context>
    <name>mt::SwitchPanelView</name>
    <message>
        <source>开关量输出</source>
        <translation>Outputs</translation>
    </message>
    <message>
        <source>开关量输入</source>
        <translation>Inputs</translation>
    </message>
    <message>
        <source>%1 %2：%3</source>
        <translation>%1 %2: %3</translation>
    </message>
    <message>
        <source>闭合</source>
        <translation>Closed</translation>
    </message>
    <message>
        <source>断开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>开关量输出%1</source>
        <translation>Output %1</translation>
    </message>
    <message>
        <source>开关量输入%1</source>
        <translation>Input %1</translation>
    </message>
</context>
<context>
    <name>mt::TrafficModel</name>
    <message>
        <source>发送</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>接收</source>
        <translation>Received</translation>
    </message>
    <message>
        <source>（无）</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>数据（十六进制）</source>
        <translation>Data (hex)</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>响应时间 (ms)</source>
        <translation>Response (ms)</translation>
    </message>
    <message>
        <source>（串口已关闭）</source>
        <translation> (port closed)</translation>
    </message>
</context>
<context>
    <name>mt::TrafficWindow</name>
    <message>
        <source>通信监视 - %1 - %2</source>
        <translation>Traffic monitor - %1 - %2</translation>
    </message>
    <message>
        <source>通信监视</source>
        <translation>Traffic monitor</translation>
    </message>
    <message>
        <source>通信帧列表</source>
        <translation>Frame list</translation>
    </message>
    <message>
        <source>接收</source>
        <translation>Received</translation>
    </message>
    <message>
        <source>异常应答 04 从站设备故障</source>
        <translation>exception 04 server device failure</translation>
    </message>
    <message>
        <source>响应时间 (ms)</source>
        <translation>Response (ms)</translation>
    </message>
    <message>
        <source>保存通信记录</source>
        <translation>Save traffic</translation>
    </message>
    <message>
        <source>/通信记录.txt</source>
        <translation>/traffic.txt</translation>
    </message>
    <message>
        <source>暂停(&amp;P)</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>清空(&amp;L)</source>
        <translation>C&amp;lear</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>复制(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>复制所选行</source>
        <translation>Copy the selected rows</translation>
    </message>
    <message>
        <source>保存(&amp;S)…</source>
        <translation>&amp;Save…</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>继续(&amp;P)</source>
        <translation>Resume (&amp;P)</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>共 %1 帧</source>
        <translation>%1 frames</translation>
    </message>
    <message>
        <source>，较早的 %1 帧已舍弃</source>
        <translation>, %1 older frames dropped</translation>
    </message>
    <message>
        <source>，已暂停（未显示 %1 帧）</source>
        <translation>, paused (%1 frames not shown)</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>已保存到 %1</source>
        <translation>Saved to %1</translation>
    </message>
    <message>
        <source>保存失败：%1</source>
        <translation>Saving failed: %1</translation>
    </message>
    <message>
        <source>文本文件 (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
</context>
<context>
    <name>mt::TrendWindow</name>
    <message>
        <source>趋势图</source>
        <translation>Trend</translation>
    </message>
    <message>
        <source>数值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>时间范围(&amp;R)：</source>
        <translation>Time &amp;range:</translation>
    </message>
    <message>
        <source>时间范围</source>
        <translation>Time range</translation>
    </message>
    <message>
        <source>1 分钟</source>
        <translation>1 minute</translation>
    </message>
    <message>
        <source>10 分钟</source>
        <translation>10 minutes</translation>
    </message>
    <message>
        <source>1 小时</source>
        <translation>1 hour</translation>
    </message>
    <message>
        <source>8 小时</source>
        <translation>8 hours</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>回到实时(&amp;L)</source>
        <translation>&amp;Live</translation>
    </message>
    <message>
        <source>回到实时</source>
        <translation>Back to live</translation>
    </message>
    <message>
        <source>框选缩放(&amp;Z)</source>
        <translation>&amp;Zoom to box</translation>
    </message>
    <message>
        <source>框选缩放</source>
        <translation>Zoom to box</translation>
    </message>
    <message>
        <source>导出(&amp;E)</source>
        <translation>&amp;Export</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>图片，窗口大小(&amp;P)…</source>
        <translation>&amp;Picture, window size…</translation>
    </message>
    <message>
        <source>图片，2 倍大小(&amp;2)…</source>
        <translation>Picture, &amp;2× size…</translation>
    </message>
    <message>
        <source>单击曲线区放置光标；拖动平移，滚轮缩放；键盘：←→ 平移，+− 缩放，Home 回到实时。</source>
        <translation>Click the plot to place the cursor; drag to pan, wheel to zoom; keys: ←→ pan, +− zoom, Home back to live.</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>导出趋势数据</source>
        <translation>Export trend data</translation>
    </message>
    <message>
        <source>保存趋势图</source>
        <translation>Save trend picture</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>PNG 图片 (*.png)</source>
        <translation>PNG images (*.png)</translation>
    </message>
    <message>
        <source>趋势.csv</source>
        <translation>trend.csv</translation>
    </message>
    <message>
        <source>趋势.png</source>
        <translation>trend.png</translation>
    </message>
    <message>
        <source>已保存：%1</source>
        <translation>Saved: %1</translation>
    </message>
    <message>
        <source>没有保存：%1 %2</source>
        <translation>Not saved: %1 %2</translation>
    </message>
    <message>
        <source>状态 (0/1)</source>
        <translation>State (0/1)</translation>
    </message>
</context>
</TS>
