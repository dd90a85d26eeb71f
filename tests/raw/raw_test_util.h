// Helpers shared by the deep-scan tests: sample files and images built in
// a temporary folder.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <vector>

struct planted_file_s {
    QString name;     // sample file name
    std::string type; // extension the scan must report
    QByteArray bytes;
    uint64_t offset = 0; // where it was put in the image
};

// Runs make_samples.py into dir; empty when python3 is missing.
std::vector<planted_file_s> make_samples(const QString &dir);

// Writes the files at 512-byte boundaries between sectors of noise (random
// bytes from a fixed seed); sets each file's offset. Returns the image bytes.
QByteArray plant_files(std::vector<planted_file_s> &files, unsigned seed);

bool write_file(const QString &path, const QByteArray &bytes);
QByteArray read_file(const QString &path);

// A test with the sample files made in a temporary folder (skipped when
// they cannot be made).
class raw_samples_test : public ::testing::Test {
protected:
    void SetUp() override;
    QTemporaryDir dir;
    std::vector<planted_file_s> files;
};
