#pragma once
// Reader of the manifests that tests/fixtures/make_all.sh writes beside each
// fixture image: what was written into the image, what was deleted, and
// whether a deleted file's bytes are still where a reader will look.
//
// Manifest text: lines "# key<TAB>value" (image properties), then one line of
// column names, then one tab-separated row per entry ever written.

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

enum class fixture_kind_e { file, dir, stream };

/// One file, folder or named stream ever written into a fixture image.
struct fixture_entry_s {
    QString path;      ///< folders from the root joined with "/", then the name; "file:stream" for a stream
    qint64 size = 0;   ///< bytes written (0 for a folder)
    QByteArray sha256; ///< lower-case hex of the bytes written; empty for a folder
    bool deleted = false;
    bool overwritten = false;  ///< deleted, and its clusters no longer hold what was written
    bool fragmented = false;   ///< its data lies in more than one run of clusters
    qint64 first_cluster = -1; ///< FAT images: 0 when it has no cluster; -1 elsewhere
    QString clusters;          ///< FAT images: runs as "3-5,8-10"
    qint64 mft_record = -1;    ///< NTFS images: the file record number; -1 elsewhere
    qint64 modified = -1;      ///< exFAT images: the modified time stamped, seconds since 1970; -1 elsewhere
    int partition = 0;         ///< 1-based partition of a disk image; 0 for a volume image
    fixture_kind_e kind = fixture_kind_e::file;
    QStringList notes; ///< "resident", "compressed", "sparse", "in_deleted_dir", "index_slack_only"

    QString name() const;
    bool has_note(const QString &note) const { return notes.contains(note); }
    /// A deleted file whose bytes still lie in its clusters.
    bool recoverable() const { return deleted && !overwritten && kind == fixture_kind_e::file; }
};

/// A volume inside a fixture image (partition 0: the whole image).
struct fixture_partition_s {
    int number = 0;
    qint64 offset = 0;       ///< bytes from the start of the image
    qint64 size = -1;        ///< bytes; -1 when not given (the rest of the image)
    QString file_system;     ///< "FAT12", "FAT16", "FAT32", "NTFS"
    qint64 cluster_size = 0; ///< bytes
    qint64 data_offset = -1; ///< FAT: bytes from the start of the image to cluster 2
    QString label;
};

class fixture_manifest_c {
public:
    /// Parses manifest text; false (and error()) on anything malformed.
    bool parse(const QByteArray &text);
    /// Reads and parses a manifest file.
    bool load(const QString &path);
    const QString &error() const { return error_; }

    /// A "# key<TAB>value" property; empty when absent.
    QString property(const QString &key) const { return properties_.value(key); }
    /// The image file name the manifest describes.
    QString image() const { return property(QStringLiteral("image")); }
    /// The image beside a loaded manifest file; empty after parse() alone.
    QString image_path() const;
    const std::vector<fixture_entry_s> &entries() const { return entries_; }
    /// Partitions named by the properties, in number order.
    std::vector<fixture_partition_s> partitions() const;
    /// The partition with this number; number -1 when there is none.
    fixture_partition_s partition(int number) const;

private:
    bool fail(int line, const QString &what);

    QString folder_;
    QHash<QString, QString> properties_;
    std::vector<fixture_entry_s> entries_;
    QString error_;
};

/// The folder make_all.sh wrote the images into (TARN_FIXTURES_DIR); empty
/// when the variable is not set.
QString fixtures_dir();
/// Loads NAME.manifest from fixtures_dir(); false with the reason in error.
bool load_fixture_manifest(const QString &name, fixture_manifest_c &manifest, QString *error = nullptr);
/// sha256 of a file's bytes as lower-case hex; empty when it cannot be read.
QByteArray file_sha256(const QString &path);
/// sha256 of every file below folder (what a restore wrote there).
QSet<QByteArray> restored_hashes(const QString &folder);
