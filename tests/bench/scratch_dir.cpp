#include "tests/bench/scratch_dir.h"

namespace bench {

namespace {

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

} // namespace

ScratchDir::ScratchDir(const char* name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp) + "korvane-" + name;
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
    GetCurrentDirectoryA(sizeof previous_, previous_);
    SetCurrentDirectoryA(path_.c_str());
}

ScratchDir::~ScratchDir()
{
    SetCurrentDirectoryA(previous_);
    RemoveTree(path_);
}

} // namespace bench
