// A fresh temporary folder that the fake system reports as the running exe's folder, so settings
// are read from and written to a real file there. Removed again at the end of the test.
#pragma once

#include "windows/unit/fakes/FakeSystem.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class CTempExeFolder {
public:
    CTempExeFolder()
    {
        std::string strTemplate =
            (std::filesystem::temp_directory_path() / "lumidot-XXXXXX").string();
        if (mkdtemp(strTemplate.data()) == nullptr)
            std::abort();
        m_dir = strTemplate;
        g_Fake.strExePath = (m_dir / "Lumidot.exe").wstring();
    }
    ~CTempExeFolder() { std::filesystem::remove_all(m_dir); }
    CTempExeFolder(const CTempExeFolder&) = delete;
    CTempExeFolder& operator=(const CTempExeFolder&) = delete;

    const std::filesystem::path& Path() const { return m_dir; }
    std::filesystem::path IniPath() const { return m_dir / "Lumidot.ini"; }

    std::string ReadIni() const
    {
        std::ifstream file(IniPath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    void WriteIni(const std::string& strContent) const
    {
        std::ofstream(IniPath(), std::ios::binary) << strContent;
    }

private:
    std::filesystem::path m_dir;
};
