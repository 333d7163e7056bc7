// Every text the add-in shows. Sources are UTF-8; the compiler stores these as
// code page 936 bytes, the ANSI code page of the add-in's users.
#pragma once

// Error box
#define MSG_ERROR_FORMAT "错误代码 %i\r\n描述: %s"
#define MSG_UNKNOWN_ERROR "UnKnownError"

// Keyword lists and cache
#define MSG_CANNOT_OPEN_INPUT "GetFirstLine: 无法打开输入文件."
#define MSG_LINE_TOO_LONG "GetNextLine: 行不匹配缓冲区."
#define MSG_NO_HELP_FILES "OpenCache: 未指定帮助文件. 帮助将不可用."
#define MSG_REBUILD_FAILED "重建缓存失败. 帮助将不可用."
#define MSG_KEYWORD_TOO_LONG "关键词太长."
// A list left out of the build: its headline above, then which file, which line and why.
#define MSG_CANNOT_READ_INPUT "GetNextLine: 无法读取输入文件."
#define MSG_LIST_INCOMPLETE "关键词列表不完整."
#define MSG_LIST_FILE "文件: "
#define MSG_LIST_LINE_FORMAT "第 %u 行: "
#define MSG_LIST_REASON "原因: "
#define MSG_REASON_NOT_FOUND "文件不存在."
#define MSG_REASON_LOCKED "文件被其他程序占用, 或无权读取."
#define MSG_REASON_PATH_TOO_LONG "路径超过 259 个字节."
#define MSG_REASON_SYSTEM_FORMAT "错误代码 %u."
#define MSG_REASON_EMPTY_FILE "文件是空的."
#define MSG_REASON_LF "行以 LF 结束; 关键词列表的每一行须以 CR LF 结束."
#define MSG_REASON_NO_LINE_END "行没有以 CR LF 结束."
#define MSG_REASON_LINE_TOO_LONG "行超过 4094 个字节."
#define MSG_REASON_EMPTY_LINE "行是空的; 标题, 说明和第一个关键词都不能为空."
#define MSG_REASON_MISSING_LINE "文件到此结束; 需要标题, 说明和至少一个关键词, 各占一行."
#define MSG_REASON_KEYWORD_TOO_LONG "关键词超过 128 个字节."
#define MSG_LISTS_LEFT_OUT "以上列表的关键词 (或出错行之后的关键词) 没有帮助. 其他列表的帮助照常可用."
#define MSG_SETTINGS_UNWRITABLE "无法写入设置文件, 新的缓存只用于本次运行:\r\n"

// Help launch
#define MSG_HELP_NOT_SET "未设置帮助文件."
#define MSG_NO_EXTENSION_CAPTION "文件名无扩展名"
#define MSG_UNKNOWN_EXTENSION "未知的扩展名."
#define MSG_NO_HHCTRL "无法载入 hhctrl.ocx"

// Entry points
#define MSG_OPTION_ENABLE "启用插件"
#define MSG_OPTION_QUIET "隐藏错误信息"
#define MSG_OPTION_ERRORS_TO_HELP "F1 把错误信息传给帮助"
#define MSG_OPTION_SUGGEST "找不到关键词时提供建议"
#define MSG_MENU_ITEM "Tembril 选项"

// Configuration dialog
#define MSG_DEFAULT_ITEM "(default)"
#define MSG_DEFAULT_PATH "(无关联的关键词列表)"
#define MSG_DEFAULT_TITLE "Default"
#define MSG_DEFAULT_DESCRIPTION "如果一个关键词不在任何一个选定的列表中, 它将匹配此列表."
#define MSG_GLOBAL_ENTRY "Varnok.ini - 全局默认设置"
#define MSG_ASSEMBLER_SUFFIX ".ini - 编译器指定设置"
#define MSG_SAVE_CHANGES "你要把更改保存到这个 ini 文件吗?"
#define MSG_SAVE_CHANGES_CAPTION "保存更改吗?"
#define MSG_CREATE_SETTINGS_CAPTION "创建新的编译器指定设置?"
#define MSG_CREATE_SETTINGS                                                                                           \
    "此 ini 文件未包含 Tembril 的配置. 当前, 来自\r\nVarnok.ini 的配置用于此编译器.\r\n\r\n"    \
    "要为此编译器创建一个唯一的配置, 来自\r\nVarnok.ini 的数据可以被载入到此 ini 文件. " \
    "作为选择, 你可以直接在\r\nVarnok.ini 中编辑此默认设置.\r\n\r\n"                                \
    "你要为创建此编译器的指定配置而从 Varnok.ini 载入\r\nTembril 的配置吗?"
#define MSG_DELETE_SETTINGS "你确定要立刻删除此编译器指定设置\r\n并使用在 Varnok.ini 中为此编译器作的设置吗?"
#define MSG_DELETE_SETTINGS_CAPTION "删除编译器指定设置?"
#define MSG_TOO_MANY_LISTS "选择的关键词列表太多, 设置未保存."
#define MSG_TOO_MANY_LISTS_CAPTION "设置未保存"
#define MSG_MOVE_UP "提高优先级\tAlt+Up"
#define MSG_MOVE_DOWN "降低优先级\tAlt+Down"
#define MSG_WINS_OVER "\r\n优先于: "
#define MSG_OPEN_HELP_TITLE "打开帮助文件"
#define MSG_OPEN_HELP_FILTER                                                                    \
    "全部可用的文件 (*.hlp,*.chm,*.col,*.301,*.exe)   \0*.hlp;*.chm;*.col;*.301;*.exe\0" \
    "Old WinHelp files (*.hlp)\0*.hlp\0"                                                        \
    "HtmlHelp files (*.chm, *.col)\0*.chm;*.col\0"                                              \
    "HtmlHelp 2 files (*.301)\0*.301\0"                                                         \
    "Executable files (*.exe)\0*.exe\0"                                                         \
    "All Files (*.*)\0*.*\0"
