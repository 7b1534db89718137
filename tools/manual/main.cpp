// Writes the user manual as two A4 PDF files, manual_en.pdf and manual_cn.pdf.
//
//   QT_QPA_PLATFORM=offscreen veltrin-manual <output directory>
//
// The text lives here as HTML, one body per language, laid out and paginated by QTextDocument.

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>
#include <cstdio>

namespace {

const char *const kStyle = R"(
h1 { font-size: 20pt; color: #1565c0; margin-bottom: 2pt; }
h2 { font-size: 13pt; color: #1565c0; margin-top: 14pt; margin-bottom: 4pt; }
p, li { font-size: 10pt; line-height: 130%; }
p.lead { font-size: 11pt; color: #37474f; }
td, th { font-size: 9.5pt; padding: 3px 6px; }
th { background-color: #e3f2fd; text-align: left; }
.note { color: #455a64; }
)";

const char *const kEnglish = R"(
<h1>Veltrin</h1>
<p class="lead">User manual &mdash; configuration and monitoring tool for two-dimensional laser area
scanners (VKT-30xx and VKT-50xx), software version 1.5.2.</p>

<h2>1. What the program does</h2>
<p>The scanner watches a 320&deg; sector around itself and switches three outputs, <b>Out 1</b>,
<b>Out 2</b> and <b>Out 3</b>, when an object enters the zone assigned to each output. It holds
64 field sets, called <b>areas</b> (0 to 63); the sensor reports which area is active. With Veltrin
you:</p>
<ul>
<li>design the zones of the 64 areas and their zone parameters and case channel rules;</li>
<li>save a design as a project file and open it again;</li>
<li>connect to a sensor over a serial port or over Ethernet (TCP or UDP);</li>
<li>read all areas and parameters from the sensor and write them to it;</li>
<li>watch the live scan, the inputs, outputs, faults and self-check values;</li>
<li>simulate inputs, outputs, a fault or the case channel signals on the sensor.</li>
</ul>

<h2>2. Starting</h2>
<p>At every start the <b>Welcome to Veltrin</b> dialog appears in front of the main window. Choose
one of four ways to begin:</p>
<ul>
<li><b>Create</b>: a new, empty project for the model chosen in the list (VKT-30xx or VKT-50xx).
The tab that is open below (Serial or Ethernet) becomes the interface for later connections.</li>
<li><b>Open</b>: a project file; its model is taken from the file.</li>
<li><b>Connect</b>: connects at once to the port chosen on the <b>Serial</b> tab, or to the address
on the <b>Ethernet</b> tab. Sensors that answer the network search are listed there; you can also
type an address. The refresh buttons list the ports again or repeat the search.</li>
<li><b>Quit</b>: ends the program.</li>
</ul>
<p>The first start uses the system's language when it is Chinese, English otherwise. The start dialog's language button and the <b>Language</b> menu (Simplified Chinese or English) switch it; it can be
changed at any time. The language, the window layout and the scan display mode are remembered for
the next start.</p>

<h2>3. Connecting to a sensor</h2>
<p><b>Serial port.</b> Choose <i>Setting &rarr; Serial</i>, then <i>Setting &rarr; Serial Setting</i>:
pick the port and the line settings (baud rate, data bits, parity, stop bits, flow control; a custom
baud rate up to 4,000,000 can be typed) and press <b>Enter</b>.</p>
<p><b>Ethernet.</b> Choose <i>Setting &rarr; Ethernet</i>, then <i>Setting &rarr; Ethernet Setting</i>:
the dialog searches the local networks and lists every sensor that answers. Pick or type the
address and press <b>OK</b>. Whether TCP or UDP is used is learnt from the sensor's answer; the
sensor listens on port 8080.</p>
<p>Once connected, the program reads all areas, case channels and parameters from the sensor, the
status bar shows the connection and <b>DisConnection</b> ends it. A sensor that stops answering is
reported after repeated time-outs ("The sensor did not answer in time. Check the connection.").</p>
<p class="note">Without hardware, the sensor stand-in <tt>veltrin-sensor-sim</tt> that comes with
the program plays the scanner on 127.0.0.1 (TCP and UDP, and with <tt>--pty</tt> a serial line);
<tt>./run.sh</tt> starts it together with the program.</p>

<h2>4. Designing areas</h2>
<p>The <b>Edition Controls</b> dock holds the area list and the region editor. Click an area in the
list to edit it; its thumbnail shows its three zones. For each output tab (Out 1, Out 2, Out 3)
choose a shape:</p>
<ul>
<li><b>Independent</b>: Polygon, Arc or Rectangle;</li>
<li><b>Dependent</b> (Out 2 and Out 3): Straight or Fan, derived from the zone of the output before.</li>
</ul>
<p>Edit the points in the drawing view by dragging their handles (the view zooms with the wheel, the
slider or the zoom buttons, and pans when you drag an empty spot). Dragging the spare handle that sits
on the sensor adds a point; a right click on a handle, or the Delete key, removes it. Points can also
be typed in the coordinate tables, as X/Y in millimetres or as distance and angle (polar). Angles are
counted counter-clockwise from the right-hand axis; straight ahead is 90&deg;.</p>
<p>On the <b>Parameter</b> tab set the on delay, off delay, hysteresis and detection size of the
area; on the <b>Case Channel</b> tab its steering angle range, speed range and operation mode.</p>
<p><b>How the sensor switches an output.</b> A beam counts for an output when its end point lies inside
the output's zone as the view draws it; a beam without echo counts for nothing. An object is a run of
neighbouring beams inside the zone, and it counts only when the run covers at least the detection size
in angle (each beam covers the angle to its neighbour: 0.5&deg; on a serial scan, 320&deg; divided by
the points of a revolution on Ethernet). The output switches on once an object has been seen without a
break for the on delay (at once for 0 ms) and off once no object has been seen for the off delay. While
the output is on, the hysteresis widens its zone by that percentage about the sensor, so an object at
the zone's edge does not make it flicker. The design check and the stand-in switch by these same
rules.</p>
<p>Each area keeps its own history: <b>Undo</b> (Ctrl+Z) and <b>Redo</b> (Ctrl+Y). <b>Copy</b>,
<b>Cut</b>, <b>Paste</b>, <b>Delete</b> and <b>Delete All</b> work on whole areas.</p>

<p align="center" style="line-height: 100%"><img src="images/area_editing_en.jpg" width="530" height="275"></p>
<p class="note" align="center">The window at 1366&times;768: the area list, the Edition Controls with the coordinate table, the view with the zones of area 0, and the Sensor Setting dock.</p>

<h2>5. Reading and writing the sensor</h2>
<table border="1" cellspacing="0" width="100%">
<tr><th>Command</th><th>What it does</th></tr>
<tr><td>Read All Setting (Ctrl+Shift+R)</td><td>reads the 64 areas, the case channels and the sensor
parameters into the program</td></tr>
<tr><td>Write All Setting (Ctrl+Shift+W)</td><td>writes them to the sensor; afterwards the program
offers a restart, which the sensor needs to use the new parameters</td></tr>
<tr><td>Soft Reboot (Ctrl+Alt+R)</td><td>restarts the sensor</td></tr>
<tr><td>Sensor Information (Ctrl+Shift+I)</td><td>shows the product information of the sensor</td></tr>
</table>
<p>The <b>Sensor Setting</b> dock shows the sensor's parameters (interfaces and line settings, output
logic, scan frequency and angular resolution, filters, install direction, Ethernet mode and address,
echo selection, dirt detection). Changing a value sends nothing: it reaches the sensor with
<b>Write All Setting</b>. Controls that do not apply to the current interface are disabled.</p>

<h2>6. Monitoring</h2>
<ul>
<li><b>Distance</b> (Ctrl+L) and <b>Intensity</b> (Ctrl+I) draw the live scan over the zones;
<i>Display</i> chooses a filled graph, a point cloud or a line.</li>
<li><b>Monitoring</b> (Ctrl+Alt+M): the displayed area follows the area the sensor reports as
active. <b>Edition</b> returns to editing.</li>
<li>The row under the view shows the install direction, the sensor status (faults by name and
number), the six input lamps with the input number, and the three output lamps.</li>
<li><b>SelfCheck</b> shows temperature, motor speed and the three supply voltages;
<b>Data Table</b> lists distance and intensity per beam.</li>
</ul>

<h2>7. Simulation</h2>
<p>While connected, <b>IO Simulation</b> (Ctrl+Alt+I) opens a dock in which checked groups override
the sensor's inputs, its outputs, its fault state, or the case channel signals (steering angle,
speed, operation mode); input and case channel simulation exclude each other. Unchecking a group,
or unchecking <b>IO Simulation</b>, switches that simulation off. The
<b>Scan Setting</b> group in the same dock (Ethernet only) sets sleep mode, motor speed, angular
resolution and filter level for the running scan.</p>

<h2>8. Project files</h2>
<p><i>File &rarr; Save</i> (Ctrl+S) writes the design with the sensor settings as a text file whose
extension names the model: <tt>.VKT30</tt> or <tt>.VKT50</tt>. <i>File &rarr; Open</i> (Ctrl+O)
opens a file of the current model; the start dialog's <b>Open</b> accepts any model.
<i>File &rarr; New</i> starts an empty project for a model. When you quit with unsaved changes the
program asks whether to save them.</p>

<h2>9. Verify and the write log</h2>
<p><b>Verify</b> (after <b>Write All Setting</b> on the toolbar) reads everything back from the
sensor and compares it with the open project: the 64 areas, the case channels and the 25
parameters. It says either that all match or which areas and values differ. A <b>Write All
Setting</b> verifies by itself and then offers the restart. A write the sensor refuses leaves its
previous data in place; the message says what to check before writing again.</p>
<p>Every verified write is recorded in a <b>write log</b> beside the project file (a project never
saved keeps it in the application data folder): date, sensor serial number, the CRC-32 of the
design and the result. The status bar names the file.</p>

<h2>10. Teaching a zone</h2>
<p>On an output tab, <b>Teaching</b> (beside <b>Coordinates</b>) learns a zone from the live scan:
choose the teach region (corner angles and size), the method (<b>Average</b> or <b>Minimum</b> of
the measured distances), the distance by which the zone's edge stays nearer the sensor than the
contour, and whether to simplify the result. <b>Start Teach</b> needs a live scan; the taught points
are offered as a polygon for the output, which you accept or reject.</p>

<p align="center" style="line-height: 100%"><img src="images/laptop_teaching_en.jpg" width="530" height="275"></p>
<p class="note" align="center">The Teaching tab of Out 1: the teach region, the method and the distance offset.</p>

<h2>11. CSV files, the report and recordings</h2>
<ul>
<li><i>File &rarr; Export Project as CSV</i> writes every zone point as text a spreadsheet reads;
<i>Import Project from CSV</i> reads such a file back, each changed area as one undo step. A file
with a mistake changes nothing and the message names the line.</li>
<li><i>File &rarr; Export Report</i> writes a PDF configuration report: model, date, CRC-32 of the
design, the sensor settings, and for every area with zones its parameters, a picture and the point
tables. A design with unsaved changes is marked as such.</li>
<li><i>Record Scan</i> records the live scan and the sensor's reports to a file;
<i>Open Recording</i> plays one back as if the sensor were connected, for teaching, the data table
or finding a fault without the machine.</li>
<li><i>File &rarr; Check Design Against Recording</i> runs the open design over a recording, scan by
scan, with the zone parameters applied as in section 4: for each output how often and how long it
would have switched, the events with their time, area and nearest point (a click plays from there),
and, where the recording holds the sensor's own outputs, how far the check agrees with them.
<i>Compare With</i> checks another project file against the same traffic.</li>
</ul>
<p align="center" style="line-height: 100%"><img src="images/design_check_en.jpg" width="440" height="270"></p>
<p class="note" align="center">Check Design Against Recording: the summary per output and the events.</p>

<h2>12. The command line</h2>
<p><tt>veltrin-cli</tt> does from scripts what the window does, for one sensor or a whole fleet:</p>
<table border="1" cellspacing="0" width="100%">
<tr><th>Command</th><th>What it does</th></tr>
<tr><td><tt>discover</tt></td><td>lists the sensors that answer discovery</td></tr>
<tr><td><tt>info</tt></td><td>product information and self-check values</td></tr>
<tr><td><tt>read</tt> / <tt>write</tt> / <tt>verify</tt></td><td>reads a sensor into a project file,
writes a project file to sensors and verifies it, compares sensors with a file</td></tr>
<tr><td><tt>diff</tt></td><td>lists the differences between two project files</td></tr>
<tr><td><tt>stream</tt></td><td>writes the live scan to standard output</td></tr>
<tr><td><tt>report</tt></td><td>writes the configuration report of a project file</td></tr>
<tr><td><tt>check</tt></td><td>checks a design against a scan recording: when each output would have
switched, agreement with the outputs the sensor reported, <tt>--compare</tt> with another design,
<tt>--fail-on</tt> to stop a script when a listed output would switch</td></tr>
</table>
<p><tt>veltrin-cli COMMAND --help</tt> shows a command's options. Exit codes: 0 success, 1 a
difference, a rejected write or (<tt>check</tt>) a listed output that would switch, 2 bad usage or a
bad file, 3 the sensor could not be reached.</p>

<h2 style="page-break-before: always">13. Keyboard shortcuts</h2>
<table border="1" cellspacing="0" width="100%">
<tr><th>Keys</th><th>Command</th><th>Keys</th><th>Command</th></tr>
<tr><td>Ctrl+O</td><td>Open</td><td>Ctrl+L</td><td>Distance</td></tr>
<tr><td>Ctrl+S</td><td>Save</td><td>Ctrl+I</td><td>Intensity</td></tr>
<tr><td>Ctrl+Q</td><td>Quit</td><td>Ctrl+T</td><td>Data Table</td></tr>
<tr><td>Ctrl+Z / Ctrl+Y</td><td>Undo / Redo</td><td>Ctrl+Alt+E</td><td>Edition</td></tr>
<tr><td>Ctrl+C / Ctrl+X / Ctrl+V</td><td>Copy / Cut / Paste</td><td>Ctrl+Alt+M</td><td>Monitoring</td></tr>
<tr><td>Ctrl+D</td><td>Delete</td><td>Ctrl+Alt+S</td><td>Sensor Setting</td></tr>
<tr><td>Ctrl+Alt+C</td><td>Connection</td><td>Ctrl+Alt+I</td><td>IO Simulation</td></tr>
<tr><td>Ctrl+Alt+D</td><td>DisConnection</td><td>Ctrl+A</td><td>About</td></tr>
<tr><td>Ctrl+Shift+R / W</td><td>Read / Write All Setting</td><td>Ctrl+M</td><td>Manual</td></tr>
</table>
)";

const char *const kChinese = R"(
<h1>Veltrin</h1>
<p class="lead">使用说明 &mdash; 二维激光区域扫描仪（VKT-30xx、VKT-50xx）的配置与监控软件，软件版本 1.5.2。</p>

<h2>1. 软件用途</h2>
<p>扫描仪监视自身周围 320&deg; 的扇区，当物体进入某个输出对应的区域时，切换三个输出
<b>输出1</b>、<b>输出2</b>、<b>输出3</b>。传感器保存 64 组区域（0 至 63），并报告当前生效的区域。使用 Veltrin 可以：</p>
<ul>
<li>设计 64 个区域的检测范围、通道参数和工况通道规则；</li>
<li>将设计保存为工程文件并再次打开；</li>
<li>通过串口或以太网（TCP 或 UDP）连接传感器；</li>
<li>从传感器上传全部区域和参数，或下载到传感器；</li>
<li>查看实时扫描、输入输出状态、异常状态和自检数据；</li>
<li>在传感器上仿真输入、输出、异常状态或工况通道信号。</li>
</ul>

<h2>2. 启动</h2>
<p>每次启动时，主窗口前会出现<b>欢迎使用Veltrin</b>对话框，可选择四种方式之一：</p>
<ul>
<li><b>创建</b>：为列表中选择的型号（VKT-30xx 或 VKT-50xx）新建空工程。下方打开的标签页（串口或以太网）即为之后连接使用的接口。</li>
<li><b>打开</b>：打开工程文件，型号由文件决定。</li>
<li><b>连接</b>：立即连接<b>串口</b>标签页中选择的端口，或<b>以太网</b>标签页中的地址。以太网标签页列出应答网络搜索的传感器，也可以直接输入地址。刷新按钮重新列出端口或重新搜索。</li>
<li><b>退出</b>：结束程序。</li>
</ul>
<p>在<b>语言</b>菜单中选择简体中文或 English，可随时切换。语言、窗口布局和扫描显示方式在下次启动时保持不变。</p>

<h2>3. 连接传感器</h2>
<p><b>串口：</b>选择<i>设置 &rarr; 串口</i>，再选择<i>设置 &rarr; 串口设置</i>：选择端口和通讯参数（波特率、数据位、奇偶校验、停止位、流控制；可输入不超过 4,000,000 的自定义波特率），然后按<b>确定</b>。</p>
<p><b>以太网：</b>选择<i>设置 &rarr; 以太网</i>，再选择<i>设置 &rarr; 以太网设置</i>：对话框搜索本地网络并列出所有应答的传感器。选择或输入地址后按<b>确定</b>。使用 TCP 还是 UDP 由传感器的应答决定；传感器端口为 8080。</p>
<p>连接成功后，程序自动从传感器上传全部区域、工况通道和参数，状态栏显示当前连接，<b>断开设备</b>结束连接。传感器多次应答超时后会提示“读写参数超时,请检查连接”。</p>
<p class="note">没有硬件时，可使用随程序提供的传感器模拟程序 <tt>veltrin-sensor-sim</tt>，它在 127.0.0.1 上模拟扫描仪（TCP 和 UDP，加 <tt>--pty</tt> 时还提供串口）；<tt>./run.sh</tt> 会同时启动它和本程序。</p>

<h2>4. 设计区域</h2>
<p><b>编辑控制</b>窗口包含区域列表和区域编辑器。在列表中单击一个区域即可编辑，缩略图显示其三个检测范围。在每个输出标签页（输出1、输出2、输出3）中选择形状：</p>
<ul>
<li><b>独立模式</b>：多边形、圆弧或矩形；</li>
<li><b>依靠模式</b>（输出2和输出3）：直线或扇形，由前一个输出的范围推导而来。</li>
</ul>
<p>在绘图区拖动控制点编辑各点（滚轮、缩放滑块或缩放按钮用于缩放，拖动空白处用于平移）。拖动位于传感器处的备用控制点可增加一个点；右键单击控制点或按 Delete 键删除该点。也可以在坐标表中输入各点：X/Y 坐标（毫米）或距离和角度。角度从右侧坐标轴起逆时针计算，正前方为 90&deg;。</p>
<p>在<b>通道参数</b>标签页设置区域的打开延迟、关闭延迟、关闭滞后比例和检测物体大小；在<b>工况通道</b>标签页设置驱动转角范围、车辆速度范围和车辆操作模式。</p>
<p><b>传感器如何切换输出。</b>光束的终点落在该输出的检测范围内（与绘图区所画的范围相同）时计入该输出；没有回波的光束不计。检测范围内相邻光束连成一段即为一个物体，只有这段光束覆盖的角度不小于检测物体大小时才计入（每束光覆盖到相邻光束的角度：串口扫描为 0.5&deg;，以太网为 320&deg; 除以一圈的点数）。物体连续出现达到打开延迟后输出打开（0 ms 时立即打开），连续未出现达到关闭延迟后输出关闭。输出打开期间，关闭滞后比例将检测范围以传感器为中心按该百分比放大，使位于边缘的物体不会让输出反复跳变。设计检查和传感器模拟器都按同一规则切换。</p>
<p>每个区域有独立的历史记录：<b>撤销</b>（Ctrl+Z）和<b>重做</b>（Ctrl+Y）。<b>复制</b>、<b>剪切</b>、<b>粘贴</b>、<b>删除</b>和<b>全部删除</b>作用于整个区域。</p>

<p align="center" style="line-height: 100%"><img src="images/area_editing_zh.jpg" width="530" height="275"></p>
<p class="note" align="center">1366&times;768 的主窗口：区域列表、带坐标表的编辑控制、显示区域0检测范围的视图，以及传感器设定窗口。</p>

<h2>5. 上传与下载</h2>
<table border="1" cellspacing="0" width="100%">
<tr><th>命令</th><th>作用</th></tr>
<tr><td>上传数据（Ctrl+Shift+R）</td><td>从传感器读取 64 个区域、工况通道和传感器参数</td></tr>
<tr><td>下载数据（Ctrl+Shift+W）</td><td>将其写入传感器；完成后程序提示重启，传感器重启后才使用新参数</td></tr>
<tr><td>重启设备（Ctrl+Alt+R）</td><td>重启传感器</td></tr>
<tr><td>传感器信息（Ctrl+Shift+I）</td><td>显示传感器的产品信息</td></tr>
</table>
<p><b>传感器设定</b>窗口显示传感器参数（接口及通讯参数、输出逻辑、扫描频率与角度分辨率、过滤、安装方向、以太网模式与地址、回波选择、脏污检测）。修改参数不会立即发送，需通过<b>下载数据</b>写入传感器。与当前接口无关的控件不可用。</p>

<h2>6. 监控</h2>
<ul>
<li><b>距离</b>（Ctrl+L）和<b>强度</b>（Ctrl+I）在检测范围上叠加显示实时扫描；<i>显示</i>菜单选择图形、点云或线条显示。</li>
<li><b>监控</b>（Ctrl+Alt+M）：显示的区域跟随传感器报告的生效区域。<b>编辑</b>返回编辑模式。</li>
<li>绘图区下方一行显示安装方式、传感器状态（异常名称和编号）、六个输入指示灯及输入编号、三个输出指示灯。</li>
<li><b>自检状态</b>显示温度、电机转速和三路电压；<b>数据列表</b>列出每个测量点的距离和强度。</li>
</ul>

<h2>7. 仿真</h2>
<p>连接后，<b>输入输出仿真</b>（Ctrl+Alt+I）打开仿真窗口，勾选的分组将覆盖传感器的输入、输出、异常状态或工况通道信号（驱动转角、车辆速度、操作模式）。输入仿真与工况通道仿真互相排斥。取消勾选分组或取消<b>输入输出仿真</b>即停止相应仿真。同一窗口中的<b>动态扫描设定</b>（仅以太网）设置运行中扫描的休眠模式、电机转速、角度分辨率和噪声过滤等级。</p>

<h2>8. 工程文件</h2>
<p><i>文件 &rarr; 保存文件</i>（Ctrl+S）将设计和传感器设定保存为文本文件，扩展名对应型号：<tt>.VKT30</tt> 或 <tt>.VKT50</tt>。<i>文件 &rarr; 打开文件</i>（Ctrl+O）打开当前型号的文件；启动对话框中的<b>打开</b>可打开任意型号的文件。<i>文件 &rarr; 新建文件</i>为某一型号新建空工程。有未保存的修改时退出，程序会询问是否保存。</p>

<h2>9. 校验与写入记录</h2>
<p><b>校验</b>（工具栏上<b>下载数据</b>之后）从传感器读回全部数据，并与当前工程比较：64个区域、工况通道和25个参数。
结果显示全部一致，或列出不一致的区域和数值。<b>下载数据</b>完成后会自动校验，然后提示重启。
传感器拒绝写入时仍保留原有数据，提示信息会说明重新写入前需要检查的内容。</p>
<p>每次校验通过的写入都记录在工程文件旁的<b>写入记录</b>中（未保存的工程记录在应用程序数据文件夹中）：
日期、传感器序列号、设计数据的CRC-32和结果。状态栏会显示该文件。</p>

<h2>10. 自学习检测区</h2>
<p>在输出标签页的<b>自学习</b>页（<b>坐标</b>旁）可根据实时扫描学习检测区：选择自学习范围（角度和大小）、
方法（测量距离的<b>平均值</b>或<b>最小值</b>）、检测区边缘比轮廓更靠近传感器的距离，以及是否简化结果。
<b>开始自学习</b>需要实时扫描；学习到的点作为该输出的多边形提供，可以接受或放弃。</p>

<p align="center" style="line-height: 100%"><img src="images/laptop_teaching_zh.jpg" width="530" height="275"></p>
<p class="note" align="center">输出1的自学习页：自学习范围、方法和抵消距离。</p>

<h2>11. CSV文件、报告与扫描记录</h2>
<ul>
<li><i>文件 &rarr; 导出项目为CSV</i>将所有检测区的点写成电子表格可读的文本；<i>从CSV导入项目</i>读回这样的文件，
每个改变的区域为一步撤销。文件有错误时不做任何修改，提示信息会指出所在行。</li>
<li><i>文件 &rarr; 导出报告</i>生成PDF配置报告：型号、日期、设计数据CRC-32、传感器设置，以及每个已设计区域的参数、
图形和点表。有未保存修改的设计会在报告中注明。</li>
<li><i>录制扫描</i>将实时扫描和传感器状态录制到文件；<i>打开扫描记录</i>像连接着传感器一样回放，
可用于自学习、数据列表或在没有设备时查找故障。</li>
<li><i>文件 &rarr; 用扫描记录检查设计</i>按第4节的检测区参数逐个扫描地检查当前设计：各输出会切换几次、共多长时间，
每次切换的时间、区域和最近点（单击即从该处回放），以及记录中含有传感器自身输出时检查与传感器的一致程度。
<i>对比项目</i>用同一记录检查另一个工程文件。</li>
</ul>
<p align="center" style="line-height: 100%"><img src="images/design_check_zh.jpg" width="440" height="270"></p>
<p class="note" align="center">用扫描记录检查设计：各输出的汇总和切换事件。</p>

<h2>12. 命令行</h2>
<p><tt>veltrin-cli</tt>可在脚本中完成窗口中的工作，适用于一台传感器或整批传感器：</p>
<table border="1" cellspacing="0" width="100%">
<tr><th>命令</th><th>作用</th></tr>
<tr><td><tt>discover</tt></td><td>列出响应搜索的传感器</td></tr>
<tr><td><tt>info</tt></td><td>产品信息和自检数值</td></tr>
<tr><td><tt>read</tt> / <tt>write</tt> / <tt>verify</tt></td><td>将传感器读入工程文件；将工程文件写入传感器并校验；
比较传感器与文件</td></tr>
<tr><td><tt>diff</tt></td><td>列出两个工程文件的差异</td></tr>
<tr><td><tt>stream</tt></td><td>将实时扫描写到标准输出</td></tr>
<tr><td><tt>report</tt></td><td>生成工程文件的配置报告</td></tr>
<tr><td><tt>check</tt></td><td>用扫描记录检查设计：各输出会在何时切换、与传感器报告的输出是否一致；<tt>--compare</tt>
与另一设计比较，<tt>--fail-on</tt> 在所列输出会切换时使脚本停止</td></tr>
</table>
<p><tt>veltrin-cli 命令 --help</tt>显示该命令的选项。退出码：0 成功，1 有差异、写入被拒绝或（<tt>check</tt>）所列输出会切换，2 用法或文件错误，
3 无法连接传感器。</p>

<h2 style="page-break-before: always">13. 快捷键</h2>
<table border="1" cellspacing="0" width="100%">
<tr><th>按键</th><th>命令</th><th>按键</th><th>命令</th></tr>
<tr><td>Ctrl+O</td><td>打开文件</td><td>Ctrl+L</td><td>距离</td></tr>
<tr><td>Ctrl+S</td><td>保存文件</td><td>Ctrl+I</td><td>强度</td></tr>
<tr><td>Ctrl+Q</td><td>退出</td><td>Ctrl+T</td><td>数据列表</td></tr>
<tr><td>Ctrl+Z / Ctrl+Y</td><td>撤销 / 重做</td><td>Ctrl+Alt+E</td><td>编辑</td></tr>
<tr><td>Ctrl+C / Ctrl+X / Ctrl+V</td><td>复制 / 剪切 / 粘贴</td><td>Ctrl+Alt+M</td><td>监控</td></tr>
<tr><td>Ctrl+D</td><td>删除</td><td>Ctrl+Alt+S</td><td>传感器设定</td></tr>
<tr><td>Ctrl+Alt+C</td><td>连接设备</td><td>Ctrl+Alt+I</td><td>输入输出仿真</td></tr>
<tr><td>Ctrl+Alt+D</td><td>断开设备</td><td>Ctrl+A</td><td>关于</td></tr>
<tr><td>Ctrl+Shift+R / W</td><td>上传 / 下载数据</td><td>Ctrl+M</td><td>指南</td></tr>
</table>
)";

// The pictures are screenshots kept beside the manuals, in images/ of the output directory.
bool writeManual(const QString &path, const char *body, const QString &family, const QString &title)
{
    QPdfWriter writer(path);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Veltrin"));
    writer.setResolution(300);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(18, 16, 18, 16), QPageLayout::Millimeter));

    QTextDocument doc;
    QFont font(family);
    font.setPointSizeF(10);
    doc.setDefaultFont(font);
    doc.setDefaultStyleSheet(QString::fromLatin1(kStyle));
    const QString html = QString::fromUtf8(body);
    const QDir images(QFileInfo(path).dir().filePath(QStringLiteral("images")));
    static const QRegularExpression source(QStringLiteral("<img src=\"images/([^\"]+)\""));
    for (auto m = source.globalMatch(html); m.hasNext();) {
        const QString name = m.next().captured(1);
        const QImage image(images.filePath(name));
        if (image.isNull()) {
            std::fprintf(stderr, "veltrin-manual: picture %s is missing\n",
                         qPrintable(images.filePath(name)));
            return false;
        }
        doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("images/") + name), image);
    }
    doc.setHtml(html);
    doc.print(&writer);
    return QFile::exists(path);
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: veltrin-manual <output directory>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "veltrin-manual: cannot create %s\n", argv[1]);
        return 1;
    }
    const QString chineseFamily = QStringLiteral("Noto Sans CJK SC");
    if (!QFontDatabase().families().contains(chineseFamily))
        std::fprintf(stderr,
                     "veltrin-manual: font \"%s\" is missing; the Chinese manual may show empty boxes\n",
                     qPrintable(chineseFamily));

    bool ok = writeManual(out.filePath("manual_en.pdf"), kEnglish, QStringLiteral("DejaVu Sans"),
                          QStringLiteral("Veltrin User Manual"));
    ok = writeManual(out.filePath("manual_cn.pdf"), kChinese, chineseFamily,
                     QStringLiteral("Veltrin 使用说明")) &&
         ok;
    if (!ok) {
        std::fprintf(stderr, "veltrin-manual: writing the manuals failed\n");
        return 1;
    }
    std::printf("wrote %s and %s\n", qPrintable(out.filePath("manual_en.pdf")),
                qPrintable(out.filePath("manual_cn.pdf")));
    return 0;
}
