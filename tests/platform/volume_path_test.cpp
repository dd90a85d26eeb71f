// Volume name paths: stored in scan files and matched on resume, so they must
// round-trip exactly and never let one volume's name match another's.
#include <gtest/gtest.h>

#include "platform/volume_path.h"

// Catches a name that does not come back as it went in, including sources
// that contain the separator characters of the name itself.
TEST(volume_path, round_trips_every_source)
{
    for (const std::string source :
         {"/dev/sdb", "/dev/nvme0n1", "/images/disk:1.img", "/images/50%:off.img", "/images/%3A.img", "/a b/ü.img"}) {
        for (int partition : {0, 1, 5, 10, 128}) {
            std::string name = make_volume_path(source, partition);
            EXPECT_EQ(name.back(), path_separator);
            std::string back;
            int number = -1;
            ASSERT_TRUE(parse_volume_path(name, back, number)) << name;
            EXPECT_EQ(back, source);
            EXPECT_EQ(number, partition);
            // The separator is optional when reading.
            ASSERT_TRUE(parse_volume_path(name.substr(0, name.size() - 1), back, number));
            EXPECT_EQ(back, source);
        }
    }
}

// /dev/sdb1 must not match /dev/sdb10, nor a disk's partition 1 the whole
// disk, nor "x:1" inside an image whose own name ends in ":1".
TEST(volume_path, no_name_without_separator_prefixes_another)
{
    std::vector<std::string> names = {
        make_volume_path("/dev/sdb", 1),  make_volume_path("/dev/sdb", 10),  make_volume_path("/dev/sdb", 0),
        make_volume_path("/dev/sdb1", 0), make_volume_path("/dev/sdb10", 0), make_volume_path("/i/x", 1),
        make_volume_path("/i/x:1", 0),    make_volume_path("/i/x%", 1),      make_volume_path("/i/x%3A1", 0),
    };
    for (const std::string &a : names) {
        std::string stem = a.substr(0, a.size() - 1);
        for (const std::string &b : names) {
            if (&a != &b) {
                EXPECT_NE(b.compare(0, stem.size(), stem), 0) << a << " prefixes " << b;
            }
        }
    }
}

// Hand-edited or damaged scan files must be refused, not half-parsed.
TEST(volume_path, malformed_names_are_refused)
{
    std::string source;
    int number = 0;
    for (const std::string bad : {"", "/", ":1:/", "/dev/sdb", "/dev/sdb:/", "/dev/sdb:x:/", "/dev/sdb:1",
                                  "/dev:sdb:1:/", "/dev/sdb%:1:/", "/dev/sdb%zz:1:/", "/dev/sdb:1234567:/"})
        EXPECT_FALSE(parse_volume_path(bad, source, number)) << bad;
}
