#include "convert/extdb.h"

#include "base/paths.h"
#include "base/workspace.h"
#include "dictionary/dictfile.h"
#include "platform/files.h"

namespace qp {

std::string MarkerPair() { return EncodePair("FFFF", "FFFF"); }

std::optional<Notice> EraseExternalDatabase() {
    const std::string path = ResolvePath(kExternalDatabase);
    std::string err;
    EnsureParentFolder(path);
    const bool ok = WriteFileAtomic(path, MarkerPair(), &err);
    ForgetDictionaryFile(kExternalDatabase);
    if (!ok)
        return Notice{"INFORMATION", "THE EXTERNAL DATA BASE COULD NOT BE ERASED.\r" + path + "\r" + err,
                      Icon::Stop};
    return std::nullopt;
}

}  // namespace qp
