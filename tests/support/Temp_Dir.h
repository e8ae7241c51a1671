#pragma once
// A fresh folder under /tmp, removed with everything in it at scope end.

#include <cstdint>
#include <string>
#include <vector>

struct Temp_Dir {
    Temp_Dir();
    ~Temp_Dir();
    Temp_Dir(const Temp_Dir&) = delete;
    Temp_Dir& operator=(const Temp_Dir&) = delete;

    std::string path;
    std::string file(const std::string& name) const { return path + "/" + name; }
};

std::vector<std::uint8_t> Read_Bytes(const std::string& path);
void Write_Bytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::string Read_Text(const std::string& path);
void Write_Text(const std::string& path, const std::string& text);
bool File_Exists(const std::string& path);
// Names of the entries of a folder, sorted, without "." and "..".
std::vector<std::string> List_Dir(const std::string& path);
