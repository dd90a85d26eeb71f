// Recover pressed: the session's chosen rows, of every folder, restored
// into a folder the user names, after the questions that come first
// (nothing chosen, the scanned volume as destination, too little room), on
// the writer thread; then what became of them.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QWidget;
class recovery_file_c;
class scan_session_c;

class restore_step_c : public QObject {
    Q_OBJECT
public:
    // choose_destination and open_folder are the page's and outlive this.
    restore_step_c(scan_session_c &session, QWidget *page, const std::function<QString(QWidget *)> &choose_destination,
                   const std::function<void(const QString &)> &open_folder);
    ~restore_step_c() override;

    // Asks, then starts the writer; false when nothing was started.
    bool start();
    bool running() const;
    int done() const { return done_; }
    int total() const { return total_; }

signals:
    void finished();

private:
    void on_writer_finished();
    void on_progressed(int done, int total);

    scan_session_c &session_;
    QWidget *page_;
    const std::function<QString(QWidget *)> &choose_destination_;
    const std::function<void(const QString &)> &open_folder_;
    recovery_file_c *writer_ = nullptr;
    int done_ = 0;
    int total_ = 0;
};
