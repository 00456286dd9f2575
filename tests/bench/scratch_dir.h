// A fresh, empty folder for one test, made the current directory while it lives.
#pragma once
#include <windows.h>

#include <string>

namespace bench {

class ScratchDir {
  public:
    explicit ScratchDir(const char* name);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const char* name) const { return path_ + "\\" + name; }

  private:
    std::string path_;
    char previous_[MAX_PATH];
};

} // namespace bench
