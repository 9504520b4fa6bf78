// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrivateProfile.h"

#include "ReplacingFile.h"

#include <SimpleIni.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Section and key names match whatever their case, as private-profile files
// always did (CSimpleIniCaseA would tell "Setting" from "setting").
using Ini = CSimpleIniA;

// Values are plain bytes: no UTF-8 checks, no quotes, one value per key.
void configure(Ini &ini)
{
    ini.SetUnicode(false);
    ini.SetMultiKey(false);
    ini.SetMultiLine(false);
    ini.SetQuotes(false);
    ini.SetSpaces(false);
}

enum class LoadResult { Loaded, Missing, Unusable };

LoadResult load(const fs::path &file, Ini &ini)
{
    std::error_code error;
    if (!fs::exists(file, error))
        return LoadResult::Missing;
    const std::uintmax_t size = fs::file_size(file, error);
    if (error || size > PrivateProfile::kMaxFileSize)
        return LoadResult::Unusable;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return LoadResult::Unusable;
    std::ostringstream content;
    content << in.rdbuf();
    return ini.LoadData(content.str()) >= 0 ? LoadResult::Loaded : LoadResult::Unusable;
}

} // namespace

std::string PrivateProfile::read(const fs::path &file, const std::string &section,
                                 const std::string &key)
{
    Ini ini;
    configure(ini);
    if (load(file, ini) != LoadResult::Loaded)
        return {};
    const char *value = ini.GetValue(section.c_str(), key.c_str(), "");
    std::string text(value ? value : "");
    if (text.size() > kMaxValueLength)
        text.resize(kMaxValueLength);
    return text;
}

bool PrivateProfile::write(const fs::path &file, const std::string &section, const std::string &key,
                           const std::string &value)
{
    return !store(file, section, key, value);
}

std::error_code PrivateProfile::store(const fs::path &file, const std::string &section,
                                      const std::string &key, const std::string &value)
{
    Ini ini;
    configure(ini);
    // Not a settings file: left as it is.
    if (load(file, ini) == LoadResult::Unusable)
        return std::make_error_code(std::errc::invalid_argument);
    if (ini.SetValue(section.c_str(), key.c_str(), value.c_str()) < 0)
        return std::make_error_code(std::errc::invalid_argument);
    std::string data;
    if (ini.Save(data) < 0)
        return std::make_error_code(std::errc::not_enough_memory);
    // A full disk or a crash leaves the old content or the new, never a torn file.
    return ReplacingFile::write(file, data);
}
