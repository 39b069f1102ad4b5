#include "params/BasicParam.h"

namespace zembra {

CBasicParam::CBasicParam()
    : CPlaceholderPage(IDD, kTemplateSize, QStringLiteral("参数配置"),
                       QStringLiteral("本页面正在建设中：参数的读取、编辑和写入即将提供。")) {
  setObjectName(QStringLiteral("CBasicParam"));
}

}  // namespace zembra
