#include "convert/extdb.h"

#include "app/globals.h"
#include "app/shell.h"
#include "dictionary/dictfile.h"
#include "platform/files.h"

namespace qp {

std::string MarkerPair() { return EncodePair("FFFF", "FFFF"); }

bool ResetExternalDatabase(int mode) {
    if (mode == 1) {
        std::string name = FileNamePart(kExternalDatabase);
        for (char& c : name)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        Answer a = Message("ALERT!",
                           "ERASE THE EXTERNAL BASE ONLY IF YOU ARE SURE YOU DON'T\rNEED THIS "
                           "DATAS FOR FUTURE TRANSLATION.\r\rFILE IN USE : " +
                               name + "\r\r                ERASE EXTERNAL DATA BASE?",
                           Icon::Warning, Buttons::YesNo);
        if (a != Answer::Yes) return true;
    }
    const std::string path = ResolvePath(kExternalDatabase);
    std::string err;
    EnsureParentFolder(path);
    bool ok = WriteFileAtomic(path, MarkerPair(), &err);
    ForgetDictionaryFile(kExternalDatabase);
    if (!ok) {
        Message("INFORMATION", "THE EXTERNAL DATA BASE COULD NOT BE ERASED.\r" + path + "\r" + err,
                Icon::Stop);
        return false;
    }
    if (mode == 1) Message("INFORMATION", "DATA BASE ERASED.", Icon::Information);
    return true;
}

}  // namespace qp
