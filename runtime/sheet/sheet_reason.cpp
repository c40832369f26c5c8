#include "runtime/sheet/sheet_reason.h"

#include "runtime/gbk.h"

#include <string_view>

namespace rt::sheet {

namespace {

// The texts are UTF-8 escapes, converted here: this file is also compiled for
// the fuzz targets, which have no GBK execution charset.
std::string gbk(std::u8string_view utf8) {
    return utf8_to_gbk(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
}

} // namespace

std::string reason(Reason r) {
    switch (r) {
    case Reason::cannot_open:
        return gbk(u8"\u6587\u4ef6\u65e0\u6cd5\u6253\u5f00"); // 文件无法打开
    case Reason::not_workbook:
        return gbk(u8"\u4e0d\u662f\u6709\u6548\u7684\u5de5\u4f5c\u7c3f"); // 不是有效的工作簿
    case Reason::damaged:
        return gbk(u8"\u6587\u4ef6\u5df2\u635f\u574f"); // 文件已损坏
    case Reason::protected_:
        return gbk(u8"\u6587\u4ef6\u6709\u5bc6\u7801\u4fdd\u62a4"); // 文件有密码保护
    case Reason::no_sheet:
        return gbk(u8"\u627e\u4e0d\u5230\u5de5\u4f5c\u8868"); // 找不到工作表
    case Reason::too_slow:
        return gbk(u8"\u6587\u4ef6\u8bfb\u53d6\u8d85\u65f6,\u53ef\u80fd\u5df2\u635f\u574f"); // 文件读取超时,可能已损坏
    case Reason::too_large:
        return gbk(u8"\u6587\u4ef6\u8fc7\u5927"); // 文件过大
    }
    return gbk(u8"\u6587\u4ef6\u5df2\u635f\u574f");
}

} // namespace rt::sheet
