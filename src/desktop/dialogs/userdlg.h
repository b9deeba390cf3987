#pragma once
// The user dialogs: one user record (template 109), the search question
// (template 110) and the user list the reservation dialogs pick from (108).
//
// Object names: dialogs "CUserDlg", "CUserFindDlg", "CUserListDlg"; controls by
// template id: CUserDlg edit102 name, edit103 person in charge, edit104
// telephone, edit105 postal code, edit112 address, edit107 e-mail, edit108
// memo; CUserFindDlg combo123 field, edit124 text; CUserListDlg list117,
// button113 add, button114 edit, button115 find, button116 find next,
// button118 find previous; in each, button1 OK and button2 Cancel.
#include <QDialog>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/doc/records.h"
#include "desktop/dialogs/dlgfields.h"

class CKivoDoc;
class QComboBox;
class QLineEdit;
class QListWidget;

class CUserDlg : public QDialog {
    Q_OBJECT
public:
    // newRecord: the fields start empty instead of from record.
    CUserDlg(const CKivoUser& record, bool newRecord, QWidget* parent = nullptr);
    const CKivoUser& Record() const { return record_; }
    void accept() override;

private:
    CKivoUser record_;
    std::vector<TextField> fields_;  // in record field order 0..6
};

class CUserFindDlg : public QDialog {
    Q_OBJECT
public:
    explicit CUserFindDlg(QWidget* parent = nullptr);
    int Field() const { return field_; }
    const std::string& Text() const { return text_; }  // CP932
    void accept() override;

private:
    QComboBox* combo_;
    QLineEdit* edit_;
    std::optional<TextField> textField_;
    int field_ = 0;
    std::string text_;
};

class CUserListDlg : public QDialog {
    Q_OBJECT
public:
    // name: the user to preselect (the last of that exact name).
    CUserListDlg(CKivoDoc& doc, const std::string& name, QWidget* parent = nullptr);
    // The chosen user's name after OK. OK with no line selected (or an empty
    // list) chooses nobody: the dialog ends as if cancelled.
    const std::string& Name() const { return name_; }
    // Users renamed through 編集 while the dialog ran, old name then new, in
    // order; their reservations were renamed in the same transaction.
    const std::vector<std::pair<std::string, std::string>>& Renames() const { return renames_; }
    int Selection() const;
    void accept() override;

private:
    enum class Fill { Plain, Preselect, Append };
    void FillList(Fill mode);
    void Select(int line);
    void OnAdd();
    void OnEdit();
    void OnFind();
    void OnFindNext(int step);

    CKivoDoc& doc_;
    std::string name_;
    std::vector<std::string> names_;  // the lines as filled, in stored bytes
    std::vector<std::pair<std::string, std::string>> renames_;
    QListWidget* list_;
};
