#pragma once
// Shared by the dialog tests: a register on disk, a scripted prompt in place
// of the person at the desk, and small hands for filling controls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/doc/kivodoc.h"
#include "core/doc/kvformat.h"
#include "core/doc/kvtime.h"
#include "core/doc/text.h"
#include "core/profile/profile.h"
#include "desktop/app/windowkinds.h"
#include "support/scriptedprompt.h"
#include "support/testutil.h"

#define ORVALIS_QTEST_MAIN                                \
    int main(int argc, char** argv) {                     \
        QApplication app(argc, argv);                     \
        RegisterWindowKinds();                            \
        ::testing::InitGoogleTest(&argc, argv);           \
        return RUN_ALL_TESTS();                           \
    }

namespace dlgtest {

inline QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

template <class W>
W* Child(QDialog* d, const char* name) {
    W* w = d->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

inline void Set(QDialog* d, const char* name, const QString& text) {
    if (auto* e = d->findChild<QLineEdit*>(QString::fromLatin1(name))) {
        e->setText(text);
        return;
    }
    if (auto* p = d->findChild<QPlainTextEdit*>(QString::fromLatin1(name))) {
        p->setPlainText(text);
        return;
    }
    ADD_FAILURE() << "no text control " << name;
}

inline QString Get(QDialog* d, const char* name) {
    if (auto* e = d->findChild<QLineEdit*>(QString::fromLatin1(name))) return e->text();
    if (auto* p = d->findChild<QPlainTextEdit*>(QString::fromLatin1(name))) return p->toPlainText();
    ADD_FAILURE() << "no text control " << name;
    return {};
}

inline void Click(QDialog* d, const char* name) {
    if (auto* b = Child<QPushButton>(d, name)) b->click();
}

// Sets the entry dialog's date and times in one go.
inline void SetWhen(QDialog* d, int y, int mo, int day, int h1, int m1, int h2, int m2) {
    Set(d, "edit114", QString::number(y));
    Set(d, "edit115", QString::number(mo));
    Set(d, "edit116", QString::number(day));
    Set(d, "edit105", QString::number(h1));
    Set(d, "edit106", QString::number(m1));
    Set(d, "edit107", QString::number(h2));
    Set(d, "edit108", QString::number(m2));
}

// Answers dialogs by their object name: each name has a queue of handlers,
// used in order; the last one stays for further runs.
class Desk {
public:
    ScriptedPrompt prompt;
    std::map<QString, std::vector<std::function<void(QDialog*)>>> handlers;
    std::map<QString, size_t> used;

    Desk() {
        prompt.onDialog = [this](QDialog* d) {
            auto it = handlers.find(d->objectName());
            if (it == handlers.end() || it->second.empty()) return;
            size_t& n = used[d->objectName()];
            auto& h = it->second[n < it->second.size() ? n : it->second.size() - 1];
            ++n;
            h(d);
        };
        SetPrompt(&prompt);
    }
    ~Desk() { SetPrompt(nullptr); }
    void On(const char* dialog, std::function<void(QDialog*)> h) {
        handlers[QString::fromLatin1(dialog)].push_back(std::move(h));
    }
    std::vector<QString> Messages() const {
        std::vector<QString> out;
        for (const auto& m : prompt.messages) out.push_back(m.text);
        return out;
    }
};

inline std::unique_ptr<CKivo> Facility(int id, const char* nameUtf8) {
    auto f = std::make_unique<CKivo>();
    f->m_nID = id;
    f->m_strName = testutil::Sj(nameUtf8);
    return f;
}

// A register with facilities 1 大会議室 and 2 小会議室 and the given bookings.
inline void WriteRegister(const std::string& path, const std::vector<CReserve>& reserves,
                          std::vector<std::pair<int, const char*>> facilities = {{1, "大会議室"}, {2, "小会議室"}},
                          const std::vector<CKivoUser>& users = {}) {
    FacilityArray f;
    for (auto& [id, name] : facilities) f.push_back(Facility(id, name));
    ReserveArray r;
    for (const auto& x : reserves) r.push_back(std::make_unique<CReserve>(x));
    UserArray u;
    for (const auto& x : users) u.push_back(std::make_unique<CKivoUser>(x));
    testutil::WriteFile(path, StoreRegister(f, r, u));
}

using testutil::ReadRegister;

inline KvTime At(int y, int mo, int d, int h, int m) { return kvtime::MakeTime(y, mo, d, h, m); }

}  // namespace dlgtest
