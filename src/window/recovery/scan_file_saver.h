// Save result: writes the session's finished deep scan into a scan file on
// a thread of its own, so the page answers while a large scan is written.
#pragma once

#include <QString>
#include <QThread>

class scan_session_c;

class scan_file_saver_c : public QThread {
    Q_OBJECT
public:
    explicit scan_file_saver_c(scan_session_c &session, QObject *parent = nullptr);
    ~scan_file_saver_c() override;

    // Only while not running.
    void save(const QString &path);
    // Read after finished(); the reason is the session's error().
    bool saved() const { return saved_; }

protected:
    void run() override;

private:
    scan_session_c &session_;
    QString path_;
    bool saved_ = false;
};
