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
    const bool hadFolder = DirectoryExists(FolderPart(path));
    EnsureParentFolder(path);
    const bool ok = WriteFileAtomic(path, MarkerPair(), &err);
    ForgetDictionaryFile(kExternalDatabase);
    if (!ok) {
        if (!hadFolder) RemoveFile(FolderPart(path));  // made for this, empty again
        return Notice{"INFORMATION", "THE EXTERNAL DATA BASE COULD NOT BE ERASED.\r" + path + "\r" + err,
                      Icon::Stop};
    }
    RemoveStaleTemporaries(FolderPart(path));
    return std::nullopt;
}

}  // namespace qp
