// The catalogue of worked examples and techniques: categories, list entries and titles.
// Transcribed once from the catalogue as published; every string is matched exactly.
#include "cataloguedata.h"

namespace tamsel::catalogue_data {

// List entries of the eight example categories, in list order. Entry 9 of folder 1 repeats
// entry 1 and is no title of its own.
const std::array<std::u16string_view, 8> kExampleCategories = {
    u"窗体实例",
    u"图形图像实例",
    u"多媒体实例",
    u"系统实例",
    u"文件管理实例",
    u"数据库实例",
    u"网络实例",
    u"游戏实例",
};

const std::array<std::u16string_view, 5> kTechniqueCategories = {
    u"窗体技巧",
    u"多媒体及图像",
    u"系统控制技巧",
    u"数据库技巧",
    u"网络技巧",
};

static constexpr std::u16string_view kExampleList1[] = {
    u"实现托盘程序的例子", // 1
    u"屏蔽系统热键", // 2
    u"使用AppendMenu添加菜单并且相应Click事件", // 3
    u"调用打开和保存对话框", // 4
    u"窗体启动特效", // 5
    u"使窗体的关闭按钮无效", // 6
    u"制作屏幕保护程序", // 7
    u"为窗体添加透明阴影", // 8
    u"实现托盘程序的例子", // 9
    u"历史记录", // 10
    u"简单计算器的制作", // 11
    u"平铺背景", // 12
    u"向窗体的控制菜单栏添加菜单项", // 13
    u"自动调整控件的位置与大小", // 14
    u"改变桌面墙纸", // 15
    u"文本环绕效果", // 16
    u"建立透明的窗口", // 17
};

static constexpr std::u16string_view kExampleList2[] = {
    u"全屏的下雪场景制作", // 1
    u"雨滴特效显示图片", // 2
    u"图像编辑程序", // 3
    u"画图的简单例子", // 4
    u"渐层色彩展示", // 5
    u"将BMP图转化为ICO", // 6
    u"象下雨般的显示图象", // 7
    u"图象合成技术", // 8
    u"按给定比例放大或缩小图象", // 9
    u"将彩色位图转换为灰度图", // 10
    u"一个显示陨石飞动的游戏场景", // 11
    u"显示半透明的图片", // 12
    u"走过屏幕的发条小鸟", // 13
    u"绘制柱状图表", // 14
    u"实现屏幕变暗的效果", // 15
    u"旋转位图", // 16
    u"在VB中使用Word的艺术字", // 17
    u"创建3D文字效果", // 18
};

static constexpr std::u16string_view kExampleList3[] = {
    u"一个用API函数编写的CD抓轨程序", // 1
    u"播放列表生成器", // 2
    u"简单的mp3播放器", // 3
    u"视频捕捉程序", // 4
    u"一个音量控制小程序", // 5
    u"能混合很多种声音的好程序", // 6
    u"一个用于控制光驱开关的源码", // 7
    u"利用微软的语音引擎使你的程序会朗读", // 8
    u"一个图像浏览器", // 9
    u"编写Flash动画播放器", // 10
    u"RealPlayer播放器", // 11
    u"获取光驱的盘符", // 12
    u"测试声卡", // 13
    u"弹动的小球", // 14
    u"用VB实现字体特效动画", // 15
    u"一个简单的小人头微笑", // 16
};

static constexpr std::u16string_view kExampleList4[] = {
    u"使用treeview的简单例子", // 1
    u"利用richtext实现的编辑器", // 2
    u"ListView的API效果演示", // 3
    u"VB编程中突破64K的文本显示限制", // 4
    u"监视CPU使用情况的例子", // 5
    u"数字大写转换程序", // 6
    u"取得CPU的报告", // 7
    u"文件加密解密的例子", // 8
    u"读取注册表的例子", // 9
    u"改变屏幕到16位彩色的演示", // 10
    u"取得计算机中所有Modem的名称", // 11
    u"获取与设置计算机名", // 12
    u"限制鼠标的移动", // 13
    u"获取系统目录", // 14
    u"取得磁盘的序列号", // 15
    u"用VB实现多线程", // 16
    u"拦截Windows消息", // 17
};

static constexpr std::u16string_view kExampleList5[] = {
    u"快速的全盘文件查找程序", // 1
    u"一个类似于Xcopy的程序", // 2
    u"利用递归方式实现对文件的查找操作", // 3
    u"显示文件的各种信息", // 4
    u"一个简单的单词处理程序", // 5
    u"类似记事本的简单文本编辑器", // 6
    u"拷贝文件的例子有拷贝进度条", // 7
    u"操作INI文件的函数", // 8
    u"检查文件是否存在", // 9
    u"实现文件属性对话框", // 10
    u"得到目录信息", // 11
    u"读写保存文件的源代码", // 12
    u"记事本", // 13
    u"编辑html", // 14
    u"删除文件到回收站", // 15
    u"VB中的APP对象及其应用", // 16
    u"万能收藏", // 17
    u"建立快捷方式", // 18
};

static constexpr std::u16string_view kExampleList6[] = {
    u"数据库查询示例程序", // 1
    u"从一次SQL查询中获得多个查询数值", // 2
    u"通过程序在磁盘上建立一个新的Access数据库文件", // 3
    u"数据库观察器", // 4
    u"从库中调用图片", // 5
    u"用数据库保存程序的用户设置", // 6
    u"非绑定模式下的DbGrid控件", // 7
    u"将数据库转换为文本文件", // 8
    u"制作通讯录", // 9
    u"将MDB文件导出为多种格式文件", // 10
    u"数据库程序包括添加搜索等功能", // 11
    u"创建和修改自定义的数据库", // 12
    u"建立大于屏幕的虚拟表单", // 13
};

static constexpr std::u16string_view kExampleList7[] = {
    u"邮件检查程序", // 1
    u"简单电子邮件发送程序", // 2
    u"点对点聊天", // 3
    u"一个下载程序", // 4
    u"一个PING程序", // 5
    u"FTP程序", // 6
    u"一个简单的SMTP邮件发送程序", // 7
    u"获得以太网卡的地址", // 8
    u"电话拨号源程序", // 9
    u"用API函数映射和断开网络驱动器", // 10
    u"label的超级链接", // 11
    u"HTML与TEXT的转换", // 12
    u"用Winsock发送邮件", // 13
    u"网吧监控软件", // 14
    u"用Winsock实现文件的下载", // 15
    u"制作自己的浏览器", // 16
    u"拖放网页的图像与链接", // 17
    u"启动Windows程序自动运行", // 18
    u"比较完整的浏览器源码", // 19
    u"检测是否网络连接", // 20
    u"网络搜索", // 21
};

static constexpr std::u16string_view kExampleList8[] = {
    u"沙滩排球", // 1
    u"火焰字", // 2
    u"真人快打", // 3
    u"俄罗斯方块", // 4
    u"小蜜蜂射击游戏", // 5
    u"网络五子棋", // 6
};

static constexpr std::u16string_view kTechniqueTitles1[] = {
    u"Cool 3D 浮動按鈕的模擬作法", // 1
    u"VB6制作Win98风格的工具栏", // 2
    u"VB中实现菜单分割", // 3
    u"VB中处理长列表框项的两种方法", // 4
    u"VB中实现带预览的对话框", // 5
    u"Visual Basic 中字符淡出淡入的实现", // 6
    u"打印机技巧", // 7
    u"改变 TreeView 的背景", // 8
    u"强制和防止窗口重画", // 9
    u"让窗体处于最前面", // 10
    u"如何改变桌面的图片？", // 11
    u"如何使窗体右上角的X无效？", // 12
    u"闪烁的Label", // 13
    u"实现窗体内部的左右移动", // 14
    u"拖动无标题窗口", // 15
    u"无论如何，就是只能输入数字", // 16
    u"一劳永逸让VB自动改变控件大小", // 17
    u"用VB6建立带光栅的超级开始菜单", // 18
    u"用VB设计更好的用户界面", // 19
    u"用VB设计聚焦框程序", // 20
    u"用VB实现“ICQ”式的启动欢迎画面", // 21
    u"用VB实现“百叶窗”的图形特效", // 22
    u"在VB中利用API实现窗体的平滑显示", // 23
    u"VB中使用数据窗体设计器插件", // 24
    u"在程序中调用关闭Windows对话框", // 25
};

static constexpr std::u16string_view kTechniqueTitles2[] = {
    u"用VB制作屏幕保护程序", // 1
    u"VB环境下Video Audio压缩数据流播放技术", // 2
    u"VB中播放WAV文件", // 3
    u"VB中播放三维动画编程一例", // 4
    u"Visual Basic影音控制", // 5
    u"编制自已的电话录音小程序", // 6
    u"Web动画图像分解在VB动画设计中的应用", // 7
    u"关闭屏幕保护功能，改变屏保等待时间", // 8
    u"截取屏幕图像", // 9
    u"控制系统音量", // 10
    u"用VB测声卡", // 11
    u"平铺贴图背景", // 12
    u"破解WINDOWS屏幕保护密码", // 13
    u"如何从SOUND.DRV中提取声音", // 14
    u"五彩缤纷的清屏效果", // 15
    u"用VB编写DirectX7.0游戏", // 16
    u"用Visual Basic设计窗体背景花纹", // 17
    u"在VB中用API实现多媒体", // 18
    u"怎样在VB中播放Flash动画", // 19
    u"制作自己的MP3播放器", // 20
    u"在VB应用软件中实现动画效果", // 21
    u"用VB绘制正弦动画曲线", // 22
    u"像ACDSee一樣用滑鼠拖曳大於表單的圖片", // 23
    u"VB实现图形动画的三种方法", // 24
    u"VB中实现图像特技", // 25
    u"VB中随机图像的魅力", // 26
    u"将真彩色图像变为256色灰度(BIG5码)", // 27
    u"如何实现霓虹灯效果", // 28
    u"显示无格式256灰度级图象", // 29
    u"用VB编程绘制网格图像", // 30
    u"用Visual Basic 定制BMP文件", // 31
    u"在VB中制作可滚动的图像显示", // 32
};

static constexpr std::u16string_view kTechniqueTitles3[] = {
    u"ListBox项的控制", // 1
    u"VB 6.0中类聚集关系的实现", // 2
    u"VB6编程中如何获取硬盘分区信息", // 3
    u"VB的坐标系统综述", // 4
    u"VB调用C程序动态链接库的方法", // 5
    u"VB中Winsock控制的UDP协议的使用", // 6
    u"Windows操作平台下CGI的实现", // 7
    u"导入注册表设置", // 8
    u"防止文本控件中的部分滚动", // 9
    u"交换鼠标按钮", // 10
    u"交换鼠标左右键", // 11
    u"获取当前系统平台", // 12
    u"判断一个32位程序是否结束", // 13
    u"如何动态改变屏幕设置？", // 14
    u"如何取得磁盘序列号", // 15
    u"如何让程序拥有多个热键？", // 16
    u"如何用VB建立快捷方式", // 17
    u"如何自动记录计算机开机时间？", // 18
    u"输入时，自动转换成小写？", // 19
    u"怎样关闭一个正在运行的程序", // 20
    u"重启Windows 2000(NT系统)", // 21
    u"如何过滤键盘录入", // 22
    u"如何启动控制面板？", // 23
    u"屏蔽TextBox的系统菜单", // 24
};

static constexpr std::u16string_view kTechniqueTitles4[] = {
    u"DBF文件转为MDB文件的方法", // 1
    u"Excel、Access、VB的结合应用", // 2
    u"SQL的基本操作", // 3
    u"Text 转换为 Access MDB", // 4
    u"VB数据库记录查询四法", // 5
    u"不用 DATA 控件操作数据库文件", // 6
    u"连接Data到多个表单", // 7
    u"如何将文本文件转换为ACCESS数据库", // 8
    u"如何设置对VB数据库连接的动态路径", // 9
    u"实现Access数据库的Web查询", // 10
    u"锁住数据库中的表", // 11
    u"谈谈VB的数据库编程方式", // 12
    u"压缩MDB文件", // 13
    u"用DATA控件绑定报表控件打印报表", // 14
    u"用MDB文件做密码库", // 15
    u"VB数据库多字段记录的录入", // 16
    u"VB6.0中通过MSChart控件调用数据库", // 17
    u"如何使程序不在Ctrl+Alt+Del弹出的对话框内", // 18
    u"如何在 VB 中控制 Modem 行为", // 19
    u"处理Select语句中的单引号", // 20
    u"列出 SQL Server 数据库中所有的存储过程", // 21
};

static constexpr std::u16string_view kTechniqueTitles5[] = {
    u"SMTP协议简介", // 1
    u"MODEM通讯意外处理", // 2
    u"Visual Basic 6中发送邮件的新方法", // 3
    u"Visual Basic通信程序设计", // 4
    u"Winsock Terminal示例程序", // 5
    u"编写网络寻呼机", // 6
    u"程序中如何启动默认的拨号连接", // 7
    u"得到用户的IP地址", // 8
    u"断开拨号网络的连接", // 9
    u"电子邮件的标准格式", // 10
    u"几个设置IE的API", // 11
    u"利用IE控件访问Internet", // 12
    u"利用TAPI进行电话拨号", // 13
    u"利用VB设计聊天室", // 14
    u"利用Visual Basic实现无线通讯", // 15
    u"强制一个本地或远程NT系统关闭", // 16
    u"设计E-mail程序", // 17
    u"设置计算机名称", // 18
    u"用 MAPI 控件实现发送邮件", // 19
    u"用 Winsock 实现聊天的程序", // 20
    u"用VB构建Internet的应用[微软提供]", // 21
    u"用Visual Basic6.0编写客户服务器程序", // 22
    u"用Winsock控件发信Email", // 23
    u"用Winsock控件实现文件的下载", // 24
    u"在VB中实现文件上传", // 25
    u"在VB中使用UDP协议", // 26
    u"在VB中用Outlook发电子邮件", // 27
};

const std::array<std::span<const std::u16string_view>, 8> kExampleLists = {
    std::span<const std::u16string_view>(kExampleList1),
    std::span<const std::u16string_view>(kExampleList2),
    std::span<const std::u16string_view>(kExampleList3),
    std::span<const std::u16string_view>(kExampleList4),
    std::span<const std::u16string_view>(kExampleList5),
    std::span<const std::u16string_view>(kExampleList6),
    std::span<const std::u16string_view>(kExampleList7),
    std::span<const std::u16string_view>(kExampleList8),
};

const std::array<std::span<const std::u16string_view>, 5> kTechniqueTitleTable = {
    std::span<const std::u16string_view>(kTechniqueTitles1),
    std::span<const std::u16string_view>(kTechniqueTitles2),
    std::span<const std::u16string_view>(kTechniqueTitles3),
    std::span<const std::u16string_view>(kTechniqueTitles4),
    std::span<const std::u16string_view>(kTechniqueTitles5),
};

} // namespace tamsel::catalogue_data
