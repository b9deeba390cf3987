#pragma once
// The facility dialogs: one facility (template 102) and the list editor
// (template 104) that works on the document's facility collection in place.
//
// Object names: dialogs "CKivoDlg" and "CKivoListDlg"; CKivoDlg controls
// edit102 name, edit104 maximum people, edit103 comment, button1 OK,
// button2 Cancel, edit105 number; CKivoListDlg list112, button1 close,
// button113 add, button114 change, button111 delete, button115 up,
// button116 down.
#include <QDialog>
#include <optional>

#include "core/doc/records.h"
#include "desktop/dialogs/dlgfields.h"

class QListWidget;

class CKivoDlg : public QDialog {
    Q_OBJECT
public:
    // The four fields start from init (number, name, maximum people, comment).
    explicit CKivoDlg(const CKivo& init, QWidget* parent = nullptr);
    // A new facility's starting values: number = last number + 1, or 0 for an
    // empty collection; maximum people 5.
    static CKivo Proposed(const FacilityArray& facilities);
    const CKivo& Result() const { return result_; }
    void accept() override;

private:
    CKivo result_;
    std::optional<TextField> comment_, name_;
    std::optional<NumberField> maxPeople_, number_;
};

class CKivoListDlg : public QDialog {
    Q_OBJECT
public:
    CKivoListDlg(FacilityArray& facilities, QWidget* parent = nullptr);
    // Whether anything was added, changed, deleted or moved.
    bool Modified() const { return modified_; }
    int Selection() const;
    // Esc after a change closes like 閉じる: the changes are in the collection
    // and must reach the file, not sit in memory.
    void reject() override;

private:
    void FillList(int select);
    void OnAdd();
    void OnChange();
    void OnDelete();
    void OnMove(int step);

    FacilityArray& facilities_;
    bool modified_ = false;
    QListWidget* list_;
};
