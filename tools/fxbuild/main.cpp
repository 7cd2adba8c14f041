// fxbuild: compiles effect sources into the fx_2_0 effect files the program loads.
//
//   fxbuild -o <output folder> <source.fx>...
//
// Each source becomes <output folder>/<source name>.fxo. Any error is reported as
// "file(line): error: text" and no output is written for that source.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/fxbuild/EffectBinary.h"
#include "tools/fxbuild/EffectSource.h"
#include "tools/fxbuild/ShaderAssembler.h"

namespace {

std::string BaseName(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

bool Compile(const std::string& source, const std::string& outDir)
{
    std::ifstream in(source, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: error: cannot open the source\n", source.c_str());
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    const std::string body = text.str();
    try {
        fxbuild::EffectSource fx = fxbuild::ParseEffectSource(body, &fxbuild::EncodeForCodePage);
        fxbuild::ShaderCode shaders;
        for (const fxbuild::Shader& sh : fx.shaders) {
            std::string errors;
            if (!fxbuild::AssembleShader(sh, fx, shaders[sh.name], errors)) {
                std::fprintf(stderr, "%s(%d): error: shader '%s': %s\n", source.c_str(), sh.line, sh.name.c_str(),
                             errors.c_str());
                return false;
            }
        }
        std::vector<uint8_t> binary = fxbuild::WriteEffectBinary(fx, shaders);
        const std::string target = outDir + "/" + BaseName(source) + ".fxo";
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(binary.data()), static_cast<std::streamsize>(binary.size()));
        out.close();
        if (!out) {
            std::fprintf(stderr, "%s: error: cannot write the effect file\n", target.c_str());
            std::remove(target.c_str());
            return false;
        }
    } catch (const fxbuild::SourceError& e) {
        std::fprintf(stderr, "%s(%d): error: %s\n", source.c_str(), e.line, e.what());
        return false;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: error: %s\n", source.c_str(), e.what());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::string outDir;
    std::vector<std::string> sources;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-o" && i + 1 < argc) outDir = argv[++i];
        else sources.push_back(a);
    }
    if (outDir.empty() || sources.empty()) {
        std::fprintf(stderr, "usage: fxbuild -o <output folder> <source.fx>...\n");
        return 2;
    }
    bool ok = true;
    for (const std::string& s : sources) ok = Compile(s, outDir) && ok;
    return ok ? 0 : 1;
}
