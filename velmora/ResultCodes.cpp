#include "ResultCodes.h"

#include "GbkText.h"
#include "PadLog.h"

#include <Velmora.h>
#include <map>

namespace {

const std::map<int, ResultCodes::Row>& table()
{
    static const std::map<int, ResultCodes::Row> rows = [] {
        const struct { int key; const char* code; const char* message; } utf8[] = {
            {0, "DRV0000000", "操作成功"},
            {1, "DRV0000001", "自定义错误"},
            {2, "DRV0000002", "超时错误"},
            {3, "DRV0000003", "打开端口失败"},
            {4, "DRV0000004", "向端口发送数据失败"},
            {5, "DRV0000005", "接口参数错误"},
            {6, "DRV0000006", "找不到动态链接库"},
            {7, "DRV0000007", "动态链接库加载错误"},
            {16, "DRV0000016", "接口缓冲区大小参数不足"},
            {17, "DRV0000017", "驱动写文件失败"},
            {18, "DRV0000018", "打印字符串格式错误"},
            {19, "DRV0000019", "无效操作"},
            {20, "DRV0000020", "操作被取消"},
            {21, "DRV0000021", "硬件故障"},
            {0x100001, "DRVQNV0001", "客户未签名!"},
            {0x100002, "DRVQNV0002", "无法识别图片文件格式!"},
            {0x100003, "DRVQNV0003", "保存图片文件出错!"},
            {0x100004, "DRVQNV0004", "无法创建签名文件!"},
            {0x100005, "DRVQNV0005", "无法连接设备!"},
            {0x100006, "DRVQNV0006", "前面框设置超出父窗口的大小范围!"},
            {0x100007, "DRVQNV0007", "调用参数超出范围!"},
            {0x100008, "DRVQNV0008", "灌注密钥出错!"},
            {0x100009, "DRVQNV0009", "设备忙!"},
            {0x10000A, "DRVQNV0010", "加密签名出错!"},
            {0x10000B, "DRVQNV0011", "未启动签名!"},
            {0x10000C, "DRVQNV0012", "未结束签名!"},
            {0x10000D, "DRVQNV0013", "无效的窗口句柄!"},
            {0x10000E, "DRVQNV0014", "不支持的算法!"},
            {0x10000F, "DRVQNV0015", "密钥长度错误!"},
            {0x100010, "DRVQNV0016", "非法的密钥名称!"},
            {0x100011, "DRVQNV0017", "密钥未找到!"},
            {0x100012, "DRVQNV0018", "已到达最大密钥个数!"},
            {0x200002, "QNV0000002", "设备忙"},
            {0x200003, "QNV0000003", "设备掉线"},
        };
        std::map<int, ResultCodes::Row> gbk;
        for (const auto& r : utf8)
            gbk[r.key] = {r.code, GbkText::fromUtf8(r.message)};
        return gbk;
    }();
    return rows;
}

} // namespace

ResultCodes::Row ResultCodes::row(int key)
{
    const auto it = table().find(key);
    return it != table().end() ? it->second : table().at(Custom);
}

void ResultCodes::setResultCode(int key, char* pchErrCode, char* pchError)
{
    padLog(Line, "Return Value: 0x%08X", unsigned(key));
    if (!pchErrCode || !pchError)
        return;
    const Row r = row(key);
    GbkText::copyBounded(pchErrCode, VELMORA_ERRCODE_SIZE, r.code);
    GbkText::copyBounded(pchError, VELMORA_ERROR_SIZE, r.message);
}
