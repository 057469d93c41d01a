#include "convert/gmst.h"

#include "base/progress.h"
#include "base/translatable.h"
#include "convert/blockconv.h"
#include "plugin/blocks.h"

namespace qp {

void ConvertGameSettings() {
    const int last = LastBlock();
    for (int b = 0; b <= last; ++b) {
        if (ReadBlockString(b, 0, 4) != "GMST") continue;
        int o = FindSubrecord(b, "STRV");
        if (o < 0) continue;  // a number setting
        std::string value = ReadBlockString(b, o + 8, ReadBlockInt(b, o + 4));
        ReplaceByPairFile(b, o, TextSpan(b, o), value, "", GameSettingField().dictionary);
        ShowBlockProgress("Conversion Game setting : ", b, last);
    }
}

}  // namespace qp
