// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeviceNodeAccess.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// The kernel's POSIX ACL attribute: a 32-bit version (2), then entries of a
// 16-bit tag, 16-bit permissions and a 32-bit id, little-endian.
constexpr std::uint32_t kAclVersion = 2;
constexpr std::size_t kAclHeader = 4;
constexpr std::size_t kAclEntry = 8;
constexpr std::uint16_t kAclUser = 0x02;
constexpr std::uint16_t kAclGroup = 0x08;
constexpr std::size_t kMaxAclBytes = 4096;
constexpr std::size_t kNameBuffer = 16384;

std::uint32_t littleEndian(const unsigned char *bytes, std::size_t count)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i)
        value |= std::uint32_t{bytes[i]} << (8 * i);
    return value;
}

std::string userName(uid_t uid)
{
    std::vector<char> buffer(kNameBuffer);
    passwd entry{};
    passwd *found = nullptr;
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_name;
    return std::to_string(uid);
}

std::string groupName(gid_t gid)
{
    std::vector<char> buffer(kNameBuffer);
    group entry{};
    group *found = nullptr;
    if (getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->gr_name;
    return std::to_string(gid);
}

std::string permissions(std::uint32_t bits)
{
    return {bits & 4 ? 'r' : '-', bits & 2 ? 'w' : '-', bits & 1 ? 'x' : '-'};
}

std::vector<unsigned char> aclAttribute(const std::filesystem::path &node)
{
    std::vector<unsigned char> attribute(kMaxAclBytes);
    const ssize_t size =
        getxattr(node.c_str(), "system.posix_acl_access", attribute.data(), attribute.size());
    attribute.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    return attribute;
}

} // namespace

DeviceNodeAccess::Inspection DeviceNodeAccess::inspect(const std::filesystem::path &node)
{
    Inspection inspection;
    struct stat status {};
    if (::stat(node.c_str(), &status) != 0) {
        inspection.openError = errno;
        return inspection;
    }
    inspection.exists = true;
    inspection.owner = userName(status.st_uid);
    inspection.group = groupName(status.st_gid);
    inspection.mode = status.st_mode & 07777;
    const int fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        inspection.openError = errno;
    else
        ::close(fd);
    inspection.acl = aclEntries(aclAttribute(node));
    return inspection;
}

std::vector<std::string> DeviceNodeAccess::aclEntries(const std::vector<unsigned char> &attribute)
{
    std::vector<std::string> entries;
    if (attribute.size() < kAclHeader || littleEndian(attribute.data(), 4) != kAclVersion)
        return entries;
    for (std::size_t at = kAclHeader; at + kAclEntry <= attribute.size(); at += kAclEntry) {
        const unsigned char *entry = attribute.data() + at;
        const std::uint32_t tag = littleEndian(entry, 2);
        const std::uint32_t perm = littleEndian(entry + 2, 2);
        const std::uint32_t id = littleEndian(entry + 4, 4);
        if (tag == kAclUser)
            entries.push_back("user:" + userName(id) + ":" + permissions(perm));
        else if (tag == kAclGroup)
            entries.push_back("group:" + groupName(id) + ":" + permissions(perm));
    }
    return entries;
}
