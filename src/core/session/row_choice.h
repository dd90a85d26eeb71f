// Which found rows the user chose to restore. Rows are numbered in the order
// found_rows lists them (depth first, a folder's own files before its
// subfolders), so every folder with all folders below it is one run of
// numbers; engine ids are no key, as an engine may give two files one id
// (empty FAT files all start at cluster 0). The choice belongs to the scan
// session and outlives whatever a view shows of the rows.
#pragma once

#include <QHash>
#include <QList>
#include <vector>

#include "records/found_folder.h"
#include "records/found_row.h"

class row_choice_c {
public:
    enum folder_state_e { none_chosen, some_chosen, all_chosen };

    // Numbers the rows of tree (which must outlive the choice or the next
    // reset) and chooses none.
    void reset(const found_folder_s &tree);

    qsizetype row_total() const { return static_cast<qsizetype>(sizes_.size()); }
    bool is_chosen(qsizetype row) const;
    void set_chosen(qsizetype row, bool chosen);
    // The rows of folder and of every folder below it.
    void set_folder_chosen(const found_folder_s *folder, bool chosen);
    folder_state_e folder_state(const found_folder_s *folder) const;
    // The numbers of folder's own files: [first, end).
    std::pair<qsizetype, qsizetype> files_of(const found_folder_s *folder) const;
    // The numbers of folder's files and of every folder below it.
    std::pair<qsizetype, qsizetype> rows_below(const found_folder_s *folder) const;

    qsizetype chosen_count() const { return chosen_count_; }
    quint64 chosen_bytes() const { return chosen_bytes_; }
    // The chosen ones of rows, which must be found_rows of the tree.
    QList<found_row_s> chosen(const QList<found_row_s> &rows) const;

private:
    struct folder_rows_s {
        qsizetype first = 0;
        qsizetype files_end = 0;
        qsizetype end = 0;
    };
    // Chosen rows in [0, end), through a Fenwick tree: a folder's state is
    // two lookups, whatever its size.
    qsizetype chosen_before(qsizetype end) const;
    void count(qsizetype row, int change);

    QHash<const found_folder_s *, folder_rows_s> folders_;
    std::vector<quint64> sizes_;
    std::vector<quint8> chosen_;
    std::vector<qsizetype> fenwick_;
    qsizetype chosen_count_ = 0;
    quint64 chosen_bytes_ = 0;
};
