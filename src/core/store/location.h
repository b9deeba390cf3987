#pragma once
// Where a register lives, as the desk names it: the text kept in the profile
// and shown in recent files, the key that tells two names of one register
// apart from two registers, and the title of its windows.
#include <string>

namespace store {

enum class Kind { File };

class Location {
public:
    Location() = default;
    // Any text a desk may give: today a file's path, relative or absolute.
    static Location Parse(const std::string& text);

    Kind kind() const { return kind_; }
    bool empty() const { return text_.empty(); }
    // As given; what the profile keeps and the hand-over carries.
    const std::string& Text() const { return text_; }
    // Equal for every name of the same register: a file's resolved path
    // (links followed), computed when asked, as the file may come or go.
    std::string Key() const;
    // The window title: a file's name without its folder.
    std::string Title() const;

private:
    Kind kind_ = Kind::File;
    std::string text_;
};

}  // namespace store
