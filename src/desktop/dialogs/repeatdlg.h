#pragma once
// The repeat booking dialog "繰り返し予約": the entry dialog's fields, a first
// date, a pattern, an end, and a preview of every date of the series.
//
// Object names, for tests and accessibility: the dialog is "CRepeatDlg"; the
// fields it shares with the entry dialog carry that dialog's names (edit102
// user, button118 browse, edit114/115/116 first date, edit105..108 times,
// combo109 facility, edit110 purpose, edit112 contact, check120 fee paid,
// edit121 fee, button1 OK, button2 Cancel); combo_pattern, radio_until with
// edit_until_year/month/day, radio_count with edit_count, check_skip_holidays,
// button_preview and list_preview are its own.
#include <QDialog>
#include <functional>
#include <vector>

#include "core/booking/series.h"
#include "desktop/dialogs/entryfields.h"

class CKivoDoc;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

class CRepeatDlg : public QDialog {
    Q_OBJECT
public:
    // Confirm's last step, after the fields read and the series planned: the
    // caller books it (one change transaction) and says whether the dialog
    // closes (true) or stays open (false, after the caller has shown why).
    using Commit = std::function<bool(const ReserveEntry&, series::Pattern, const series::End&)>;

    // entry holds the first date, times and texts; entry.facility is the
    // initial facility position. The preview is made once on opening.
    CRepeatDlg(CKivoDoc& doc, const ReserveEntry& entry, QWidget* parent = nullptr);

    void SetCommit(Commit commit) { commit_ = std::move(commit); }
    const ReserveEntry& Entry() const { return entry_; }

    void accept() override;  // OK and Enter: confirm

    // The text of a preview line for one place of the series.
    static QString PreviewLine(const series::Item& item);

private:
    void CreateControls();
    void LayOut();
    void Bind();  // the fields' exchange and the signals
    void ShowControls();
    bool ReadControls();
    // Reads and plans; false after the refusal message (none when quiet).
    bool ReadSeries(bool quiet);
    void OnPreview(bool quiet);
    void OnBrowse();
    void OnEndKind();

    CKivoDoc& doc_;
    ReserveEntry entry_;
    series::Pattern pattern_ = series::Pattern::Weekly;
    series::End end_;
    std::vector<series::Item> items_;
    Commit commit_;

    EntryControls fields_;
    QComboBox* patternBox_;
    QRadioButton *byUntil_, *byCount_;
    QLineEdit *untilYear_, *untilMonth_, *untilDay_, *count_;
    QCheckBox* skipHolidays_;
    QPushButton *preview_, *ok_, *cancel_;
    QListWidget* list_;
};
