#include "core/store/location.h"

#include "core/store/file/fileio.h"

namespace store {

Location Location::Parse(const std::string& text) {
    Location l;
    l.kind_ = Kind::File;
    l.text_ = text;
    return l;
}

std::string Location::Key() const { return fileio::Resolve(text_); }

std::string Location::Title() const {
    const size_t slash = text_.rfind('/');
    return slash == std::string::npos ? text_ : text_.substr(slash + 1);
}

}  // namespace store
