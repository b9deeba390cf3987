#pragma once
// Where a register lives, as the desk names it: the text kept in the profile
// and shown in recent files, the key that tells two names of one register
// apart from two registers, and the title of its windows.
#include <string>
#include <utility>
#include <vector>

namespace store {

enum class Kind { File, Server };

class Location {
public:
    using Params = std::vector<std::pair<std::string, std::string>>;

    Location() = default;
    // Any text a desk may give: a file's path, relative or absolute, or
    // postgresql://[user@][host][:port]/DB?register=NAME[&libpq parameters].
    static Location Parse(const std::string& text);

    Kind kind() const { return kind_; }
    bool empty() const { return text_.empty(); }
    // As given, less any password; what the profile keeps and the hand-over carries.
    const std::string& Text() const { return text_; }
    // Equal for every name of the same register: a file's resolved path
    // (links followed), computed when asked, as the file may come or go; a
    // server register's host, port, database and name.
    std::string Key() const;
    // The window title: a file's name without its folder; NAME@host.
    std::string Title() const;

    // Of a server register: its name, and the libpq keywords and values to
    // reach it (the password among them when one was given). A server
    // location without a register's name is no register.
    const std::string& Register() const { return register_; }
    Params Connection() const;
    // The password a dialog asked for: every location of the same register
    // connects with it while this process runs; it is never written anywhere.
    void SetPassword(const std::string& password) const;

private:
    Kind kind_ = Kind::File;
    std::string text_;
    std::string register_;
    Params params_;
};

// Whether text names a register on a server rather than a file.
bool IsServerText(const std::string& text);

}  // namespace store
