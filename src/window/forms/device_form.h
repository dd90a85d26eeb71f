// The form of the volume page and of the drive page: a list and the Back,
// Refresh and Scan buttons, plus a note line under the list.
#pragma once

class QLabel;
class QListView;
class QPushButton;
class QWidget;

namespace Ui {

struct device_form_s {
    QListView *list = nullptr;
    QPushButton *btn_back = nullptr;
    QPushButton *btn_refresh = nullptr;
    QPushButton *btn_scan = nullptr;
    QPushButton *btn_image = nullptr; // the drive page's "Image this disk"
    QLabel *lbl_note = nullptr;

    // form_name: "VolumeForm" or "DriveForm"; list_name: "lv_volumes" or "lv_drives".
    void setup(QWidget *form, const char *form_name, const char *list_name);
    void add_image_button(QWidget *form);
    // The places the pages give on a resize and when a text changes.
    void place(int width, int height);
};

struct VolumeForm : device_form_s {
    QListView *&lv_volumes = list;
    void setupUi(QWidget *form) { setup(form, "VolumeForm", "lv_volumes"); }
};

struct DriveForm : device_form_s {
    QListView *&lv_drives = list;
    void setupUi(QWidget *form)
    {
        setup(form, "DriveForm", "lv_drives");
        add_image_button(form);
    }
};

} // namespace Ui
