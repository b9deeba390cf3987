#include "desktop/mainframe/viewkinds.h"

namespace {

std::vector<ViewKind>& Table() {
    static std::vector<ViewKind> kinds;
    return kinds;
}

std::vector<DocCommand>& Commands() {
    static std::vector<DocCommand> commands;
    return commands;
}

}  // namespace

void RegisterDocCommand(const DocCommand& command) {
    for (auto& c : Commands())
        if (c.command == command.command) {
            c = command;
            return;
        }
    Commands().push_back(command);
}

const DocCommand* DocCommandById(int command) {
    for (const auto& c : Commands())
        if (c.command == command) return &c;
    return nullptr;
}

void RegisterViewKind(const ViewKind& kind) {
    for (auto& k : Table())
        if (k.command == kind.command) {
            k = kind;
            return;
        }
    Table().push_back(kind);
}

const std::vector<ViewKind>& ViewKinds() { return Table(); }

const ViewKind* ViewKindByCommand(int command) {
    for (const auto& k : Table())
        if (k.command == command) return &k;
    return nullptr;
}

const ViewKind* ViewKindOf(IKivoView* view) {
    for (const auto& k : Table())
        if (k.owns && k.owns(view)) return &k;
    return nullptr;
}
