#pragma once
// The document's host in the desktop program: messages through the prompt
// seam, the repair dialog for a reservation without valid times, and the
// profile's record of the file last opened or saved.
#include "core/doc/kivodoc.h"

class QWidget;

class CDialogDocHost : public IDocHost {
public:
    explicit CDialogDocHost(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    void ShowMessage(const std::string& utf8Text, Icon icon) override;
    bool RunRepairDialog(CKivoDoc& doc, int pos, ReserveEntry* entry) override;
    void PathRecorded(const std::string& path) override;

private:
    QWidget* parent_;
};
