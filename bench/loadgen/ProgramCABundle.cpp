#include "bench/loadgen/ProgramCABundle.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "client/ProgramPath.h"

namespace {

bool readWhole(const std::string& path, std::string& contents)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    contents = buffer.str();
    return true;
}

bool writeWhole(const std::string& path, const std::string& contents)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

ProgramCABundle::ProgramCABundle(const std::string& caFile)
{
    std::string wanted;
    if (!readWhole(caFile, wanted))
        throw std::runtime_error("cannot read the CA bundle " + caFile);
    const std::string program = programFilePath();
    if (program.empty())
        throw std::runtime_error("cannot find the program's own folder for the CA bundle");
    path_ = caBundlePathFor(program, programPathSeparator());
    hadBundle_ = readWhole(path_, previous_);
    if (hadBundle_ && previous_ == wanted)
        return;
    if (!writeWhole(path_, wanted))
        throw std::runtime_error("cannot write the CA bundle " + path_);
    replaced_ = true;
}

ProgramCABundle::~ProgramCABundle()
{
    if (!replaced_)
        return;
    if (hadBundle_)
        writeWhole(path_, previous_);
    else
        std::remove(path_.c_str());
}
