// Shell steps the partition tests build and check their disks with.
#pragma once

#include <QByteArray>
#include <QFile>
#include <gtest/gtest.h>
#include <string>

#include "platform/test_images.h"

// sfdisk, mkfs.* and friends live in sbin, which a plain PATH may lack.
const std::string with_sbin = "PATH=\"$PATH:/usr/sbin:/sbin\" ";

inline std::string sh(const std::string &command)
{
    int status = -1;
    const std::string out = run_command(with_sbin + "set -e; " + command + " 2>&1", &status);
    EXPECT_EQ(status, 0) << command << "\n" << out;
    return out;
}

inline QByteArray bytes_of(const std::string &path)
{
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
