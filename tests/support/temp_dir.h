// A fresh directory under the Wine prefix's temporary folder, removed with
// everything in it when the owner goes.
#pragma once
#include <string>
#include <vector>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }  // no trailing backslash
    std::string File(const std::string& name) const { return path_ + "\\" + name; }
    // Writes bytes exactly as given (no line-end translation).
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;
    bool Exists(const std::string& name) const;
    // Names of the files in the directory matching a pattern, e.g. "hlp*".
    std::vector<std::string> List(const std::string& pattern) const;

private:
    std::string path_;
};

void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
// The directory of the running program, without a trailing backslash.
std::string ProgramDir();
