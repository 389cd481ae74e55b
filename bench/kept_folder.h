#pragma once
// A generated input kept under the build folder between benchmark runs: a
// stamp file records what it was made from, so a changed size or generator
// version makes it anew.
#include <fstream>
#include <string>

// The folder VY_BENCH_DATA_DIR/name, made by make(dir) unless its stamp
// already reads want.
template <typename Make>
std::string KeptFolder(const std::string& name, const std::string& want, Make make)
{
    const std::string dir = std::string(VY_BENCH_DATA_DIR) + "/" + name;
    const std::string stamp = dir + "/.stamp";
    std::string have;
    std::getline(std::ifstream(stamp), have);
    if (have != want) {
        make(dir);
        std::ofstream(stamp) << want << "\n";
    }
    return dir;
}
