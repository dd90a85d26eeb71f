#include "preview_loader.h"

#include <QDir>

#include "core/session/scan_session.h"
#include "records/hex_dump.h"

preview_loader_c::preview_loader_c(scan_session_c &session, QObject *parent) : QThread(parent), session_(session)
{
    connect(this, &QThread::finished, this, &preview_loader_c::on_finished);
}

preview_loader_c::~preview_loader_c()
{
    wait();
}

void preview_loader_c::request(const recovery_item_s &row)
{
    ++wanted_;
    if (loading_)
        waiting_.emplace(row, wanted_);
    else
        start_load(row, wanted_);
}

void preview_loader_c::drop()
{
    ++wanted_;
    waiting_.reset();
}

void preview_loader_c::drop_and_wait()
{
    drop();
    wait();
}

void preview_loader_c::start_load(const recovery_item_s &row, quint64 ticket)
{
    row_ = row;
    running_ = ticket;
    result_ = file_preview_s();
    loading_ = true;
    start();
}

void preview_loader_c::on_finished()
{
    loading_ = false;
    if (running_ == wanted_)
        emit loaded(result_);
    if (waiting_) {
        const auto [row, ticket] = *waiting_;
        waiting_.reset();
        start_load(row, ticket);
    }
}

void preview_loader_c::run()
{
    result_.note = preview_note_e::unreadable;
    const QString folder = preview_folder();
    if (folder.isEmpty())
        return;
    // One copy at a time: the last preview's file goes first.
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    if (row_.size > k_preview_limit) {
        // Too large to copy for a look: its start, for the hex view.
        const QString head = folder + QStringLiteral("/head");
        if (session_.restore_head(row_, head, k_hex_dump_limit)) {
            result_.head = load_preview_head(head);
            result_.note = preview_note_e::too_large;
        }
        return;
    }
    const recovery_report_s report = session_.restore({found_row_s{QStringList(), row_, {}}}, folder, false);
    if (report.written.size() == 1)
        result_ = load_preview(report.written.first());
}
