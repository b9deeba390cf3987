#pragma once
// "サーバーの登録簿を開く": where a register on a PostgreSQL server is
// (host or socket folder, port, database, register, user), as a location;
// and the password dialog for a server that asks for one.
#include <QDialog>
#include <QString>

class QLineEdit;

class CServerDlg : public QDialog {
    Q_OBJECT
public:
    explicit CServerDlg(QWidget* parent = nullptr);
    // After OK: postgresql://[user@][host][:port]/DB?register=NAME, a socket
    // folder as host=/path; never a password.
    QString m_strLocation;
    void accept() override;

private:
    QLineEdit* host_;
    QLineEdit* port_;
    QLineEdit* database_;
    QLineEdit* register_;
    QLineEdit* user_;
};

// Asks for the password of the register titled title; nothing of it is kept
// beyond this session's memory.
class CPasswordDlg : public QDialog {
    Q_OBJECT
public:
    CPasswordDlg(const QString& title, QWidget* parent = nullptr);
    QString Password() const;

private:
    QLineEdit* password_;
};
