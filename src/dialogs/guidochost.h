#pragma once
// The document's host in the desktop program: messages through the prompt
// seam, and the repair dialog for a reservation without valid times.
#include "doc/kivodoc.h"

class QWidget;

class CGuiDocHost : public IDocHost {
public:
    explicit CGuiDocHost(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    void ShowMessage(const std::string& utf8Text, Icon icon) override;
    bool RunRepairDialog(CKivoDoc& doc, int pos, ReserveEntry* entry) override;

private:
    QWidget* parent_;
};
