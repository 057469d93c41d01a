#include "base/paths.h"

#include "base/workspace.h"
#include "platform/files.h"

namespace qp {

std::string ProgramDirectory() { return gWs.env.programDir; }
void SetProgramDirectory(const std::string& dir) { gWs.env.programDir = AbsoluteFolder(dir); }
void InitProgramDirectory(const char* argv0) { gWs.env.programDir = ExecutableFolder(argv0); }
std::string ResolvePath(const std::string& name) { return NativePath(gWs.env.programDir, name); }

}  // namespace qp
