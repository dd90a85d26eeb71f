#include "scan_file_saver.h"

#include "core/session/scan_session.h"

scan_file_saver_c::scan_file_saver_c(scan_session_c &session, QObject *parent) : QThread(parent), session_(session) {}

scan_file_saver_c::~scan_file_saver_c()
{
    wait();
}

void scan_file_saver_c::save(const QString &path)
{
    path_ = path;
    saved_ = false;
    start();
}

void scan_file_saver_c::run()
{
    saved_ = session_.save_result(path_);
}
