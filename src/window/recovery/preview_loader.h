// Restores a clicked file (or the start of a large one) into the preview
// folder and reads it for the preview, on a thread of its own. One load at
// a time, as the engine reads one thing at a time; a row asked for while one
// loads waits for it, replacing any row that was waiting, and a load whose
// row is no longer wanted ends unseen.
#pragma once

#include <QThread>
#include <optional>

#include "file_preview.h"
#include "records/recovery_item.h"

class scan_session_c;

class preview_loader_c : public QThread {
    Q_OBJECT
public:
    explicit preview_loader_c(scan_session_c &session, QObject *parent = nullptr);
    ~preview_loader_c() override;

    void request(const recovery_item_s &row);
    // No load asked for so far is wanted any more.
    void drop();
    // Drops every load and waits for the one running: before anything else
    // reads the engine or replaces it.
    void drop_and_wait();
    // Whether a load is running or waiting.
    bool busy() const { return loading_ || waiting_.has_value(); }

signals:
    // The preview of the row asked for last.
    void loaded(const file_preview_s &preview);

protected:
    void run() override;

private:
    void on_finished();
    void start_load(const recovery_item_s &row, quint64 ticket);

    scan_session_c &session_;
    quint64 wanted_ = 0; // the ticket of the last request
    quint64 running_ = 0;
    bool loading_ = false; // until its end has been handled here
    recovery_item_s row_;
    file_preview_s result_;
    std::optional<std::pair<recovery_item_s, quint64>> waiting_;
};
