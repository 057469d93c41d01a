#include "base/workspace.h"

namespace qp {

Workspace gWs;

void ResetWorkspace() { gWs = Workspace(gWs.env); }

const char* const kInProgressMessage = "LOAD/SAVE IN PROGRESS.\r              PLEASE WAIT!";
const char* const kExternalDatabase = "dataextra\\Extradata.dat";
const char* const kMemoryFile = "dataextra\\Memory.dat";
const char* const kMemoryTextFile = "dataextra\\Memtext.dat";
const char* const kProgramTitle = "QUILLANE v3.03a";

}  // namespace qp
