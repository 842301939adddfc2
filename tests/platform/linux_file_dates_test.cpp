#include "platform/linux_file_dates.h"

#include <exiv2/exiv2.hpp>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <thread>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

#include "platform/taken_time.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

namespace tolvane {

void PrintTo(const FileTime& time, std::ostream* out) { *out << time.seconds << "." << time.nanoseconds << " s"; }

namespace {

using testing::TempFolder;
using Tags = std::map<std::string, std::string>;

// A moment given in UTC.
FileTime Utc(int year, int month, int day, int hour, int minute, int second, std::uint32_t nanoseconds = 0) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return FileTime{timegm(&t), nanoseconds};
}

// Enough empty boxes for libheif or libavformat to walk for seconds (some 32 MB).
constexpr int kSlowFileBoxes = 4'000'000;

// The machine's time zone while dates are read: one whose offset has minutes, and no summer time.
constexpr const char* kZone = "<+0930>-9:30";

// A moment given in that zone.
FileTime Local(int year, int month, int day, int hour, int minute, int second) {
  FileTime time = Utc(year, month, day, hour, minute, second);
  time.seconds -= (9 * 60 + 30) * 60;
  return time;
}

// Every file gets this modification time, so that a fallback shows.
const FileTime kModified{1'600'000'000, 123'456'789};

void SetModified(const std::string& path) {
  const timespec times[2] = {{kModified.seconds, static_cast<long>(kModified.nanoseconds)},
                             {kModified.seconds, static_cast<long>(kModified.nanoseconds)}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

Exiv2::ExifData ExifOf(const Tags& tags) {
  Exiv2::ExifData exif;
  for (const auto& [key, value] : tags) {
    if (key.starts_with("Exif.")) exif[key] = value;
  }
  return exif;
}

// A photo made by exiv2 itself: a blank image of the type, with the Exif and XMP tags given.
void WritePhoto(const std::string& path, int type, const Tags& tags) {
  auto image = Exiv2::ImageFactory::create(type, path);
  Exiv2::XmpData xmp;
  for (const auto& [key, value] : tags) {
    if (key.starts_with("Xmp.")) xmp[key] = value;
  }
  image->setExifData(ExifOf(tags));
  image->setXmpData(xmp);
  image->writeMetadata();
}

// A TIFF whose only content is its tags, as exiv2's TIFF encoder writes them; or, with
// Cr2Parser, a Canon raw file's TIFF with the CR2 header.
template <typename Parser = Exiv2::TiffParser>
void WriteTiff(const std::string& path, const Tags& tags) {
  Exiv2::MemIo io;
  Parser::encode(io, nullptr, 0, Exiv2::littleEndian, ExifOf(tags), Exiv2::IptcData(), Exiv2::XmpData());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(io.mmap()), static_cast<long>(io.size()));
}

// A movie of one made-up MJPEG frame, muxed by libavformat with its creation time.
void WriteVideo(const std::string& path, const char* format, const char* creationTime) {
  AVFormatContext* context = nullptr;
  ASSERT_GE(avformat_alloc_output_context2(&context, nullptr, format, path.c_str()), 0);
  AVStream* stream = avformat_new_stream(context, nullptr);
  stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
  stream->codecpar->codec_id = AV_CODEC_ID_MJPEG;
  stream->codecpar->width = 16;
  stream->codecpar->height = 16;
  stream->time_base = AVRational{1, 25};
  av_dict_set(&context->metadata, "creation_time", creationTime, 0);
  ASSERT_GE(avio_open(&context->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
  ASSERT_GE(avformat_write_header(context, nullptr), 0);
  AVPacket* packet = av_packet_alloc();
  av_new_packet(packet, 64);
  packet->pts = packet->dts = 0;
  packet->duration = 1;
  packet->flags |= AV_PKT_FLAG_KEY;
  av_write_frame(context, packet);
  av_packet_free(&packet);
  av_write_trailer(context);
  avio_closep(&context->pb);
  avformat_free_context(context);
}

// Makes the file of a row at its path; says why it cannot, for a row to skip.
using Maker = std::function<std::string(const std::string& path)>;

Maker Made(std::function<void(const std::string& path)> make) {
  return [make](const std::string& path) {
    make(path);
    return std::string();
  };
}
Maker Photo(int type, Tags tags) { return Made([=](const std::string& p) { WritePhoto(p, type, tags); }); }
Maker Bytes(std::string bytes) { return Made([=](const std::string& p) { std::ofstream(p) << bytes; }); }
Maker Video(const char* format, const char* time) { return Made([=](const std::string& p) { WriteVideo(p, format, time); }); }
Maker Link(std::string target) { return Made([=](const std::string& p) { std::filesystem::create_symlink(target, p); }); }

// A Debian tool's own work on a photo made first: `command` names the photo's path "$0".
Maker WithTool(const char* tool, Tags tags, std::string command) {
  return [=](const std::string& path) {
    if (std::system((std::string("command -v ") + tool + " >/dev/null").c_str()) != 0) return tool + std::string(" is not installed");
    WritePhoto(path + ".jpg", Exiv2::ImageType::jpeg, tags);
    const std::string line = "sh -c '" + command + " >/dev/null 2>&1' '" + path + "'";
    return std::system(line.c_str()) == 0 ? std::string() : tool + std::string(" failed");
  };
}

const Tags kOriginal{{"Exif.Photo.DateTimeOriginal", "2021:03:04 05:06:07"},
                     {"Exif.Photo.SubSecTimeOriginal", "25"},
                     {"Exif.Photo.OffsetTimeOriginal", "+02:00"},
                     {"Exif.Photo.DateTimeDigitized", "2022:01:01 00:00:00"}};
const FileTime kOriginalTime = Utc(2021, 3, 4, 3, 6, 7, 250'000'000);

struct DateCase {
  const char* what;
  std::string name;
  Maker make;  // null: the name is in the list but not in the folder
  FileDate taken;
};

TEST(LinuxFileDates, DateTakenComesFromEachSourceInTurnAndFallsBackToTheModificationTime) {
  // Times without an offset are the machine's local time; here that is 9:30 ahead of UTC.
  const testing::ScopedEnvironmentVariable zone("TZ", kZone);
  tzset();
  const TempFolder folder;
  const TempFolder outside;
  WritePhoto(outside.Path("elsewhere.jpg"), Exiv2::ImageType::jpeg, kOriginal);
  const Tags digitized{{"Exif.Photo.DateTimeDigitized", "2019:05:06 07:08:09"}};
  const std::vector<DateCase> cases{
      {"EXIF in JPEG: original with sub-seconds and offset before digitized", "exif.jpg",
       Photo(Exiv2::ImageType::jpeg, kOriginal), kOriginalTime},
      {"the image's own DateTimeOriginal before digitized", "image.jpg",
       Photo(Exiv2::ImageType::jpeg, {{"Exif.Image.DateTimeOriginal", "2020:02:02 02:02:02"}, *digitized.begin()}),
       Local(2020, 2, 2, 2, 2, 2)},
      {"a blank original falls to digitized", "blank.jpg",
       Photo(Exiv2::ImageType::jpeg, {{"Exif.Photo.DateTimeOriginal", "0000:00:00 00:00:00"}, *digitized.begin()}),
       Local(2019, 5, 6, 7, 8, 9)},
      {"XMP only: exif:DateTimeOriginal with its offset", "xmp.jpg",
       Photo(Exiv2::ImageType::jpeg, {{"Xmp.exif.DateTimeOriginal", "2018-04-05T06:07:08.5-01:00"}}),
       Utc(2018, 4, 5, 7, 7, 8, 500'000'000)},
      {"XMP only: photoshop:DateCreated, a day alone", "created.jpg",
       Photo(Exiv2::ImageType::jpeg, {{"Xmp.photoshop.DateCreated", "2017-08-09"}}), Local(2017, 8, 9, 0, 0, 0)},
      {"an offset of hours and minutes", "india.jpg",
       Photo(Exiv2::ImageType::jpeg, {{"Exif.Photo.DateTimeOriginal", "2021:03:04 05:06:07"},
                                      {"Exif.Photo.OffsetTimeOriginal", "+05:30"}}),
       Utc(2021, 3, 3, 23, 36, 7)},
      {"EXIF in PNG", "exif.png", Photo(Exiv2::ImageType::png, kOriginal), kOriginalTime},
      {"EXIF in TIFF", "exif.tif", Made([](const std::string& p) { WriteTiff(p, kOriginal); }), kOriginalTime},
      // NEF, ARW and DNG are TIFF files of their makers' tags: their contents, not their names, lead.
      {"a raw file built as TIFF (NEF, ARW, DNG)", "raw.NEF",
       Made([](const std::string& p) { WriteTiff(p, kOriginal); }), kOriginalTime},
      {"a Canon raw file (CR2)", "raw.CR2", Made([](const std::string& p) { WriteTiff<Exiv2::Cr2Parser>(p, kOriginal); }),
       kOriginalTime},
      {"EXIF in WebP, copied by cwebp", "exif.webp",
       WithTool("cwebp", kOriginal, "cwebp -quiet -metadata exif \"$0.jpg\" -o \"$0\""), kOriginalTime},
      {"a huge TIFF (4 GiB, sparse), which exiv2 0.27 declines", "huge.tif", Made([](const std::string& p) {
         WriteTiff(p, kOriginal);
         std::filesystem::resize_file(p, std::uintmax_t{4} << 30);
       }),
       kModified},
      {"EXIF written by exiftool", "exiftool.jpg",
       WithTool("exiftool", {}, "exiftool -overwrite_original \"-DateTimeOriginal=2016:01:02 03:04:05\" -o \"$0\" \"$0.jpg\""),
       Local(2016, 1, 2, 3, 4, 5)},
      {"EXIF in HEIC, taken out with libheif", "phone.heic", WithTool("heif-enc", kOriginal, "heif-enc -o \"$0\" \"$0.jpg\""),
       kOriginalTime},
      {"MP4 creation time", "clip.mp4", Video("mp4", "2015-06-07T08:09:10.000000Z"), Utc(2015, 6, 7, 8, 9, 10)},
      {"MOV creation time", "clip.mov", Video("mov", "2014-06-07T08:09:10.000000Z"), Utc(2014, 6, 7, 8, 9, 10)},
      {"none: a photo without dates", "plain.jpg", Photo(Exiv2::ImageType::jpeg, {}), kModified},
      {"none: not a photo", "notes.txt", Bytes("just text"), kModified},
      {"corrupt: a JPEG start and then rubbish", "corrupt.jpg", Bytes("\xFF\xD8\xFF\xE1\xFF\xFFrubbish"), kModified},
      {"truncated: the start of a photo", "truncated.jpg", Made([](const std::string& p) {
         WritePhoto(p, Exiv2::ImageType::jpeg, kOriginal);
         std::filesystem::resize_file(p, 40);
       }),
       kModified},
      {"a name that is not UTF-8", "caf\xE9.jpg", Photo(Exiv2::ImageType::jpeg, kOriginal), kOriginalTime},
      {"a link to a photo of the folder", "link-in.jpg", Link("exif.jpg"), kOriginalTime},
      {"a link out of the folder is not followed: the link's own time", "link-out.jpg",
       Link(outside.Path("elsewhere.jpg")), kModified},
      {"gone", "gone.jpg", nullptr, std::nullopt},
  };
  std::vector<std::string_view> names;
  std::vector<const DateCase*> made;
  for (const DateCase& c : cases) {
    if (c.make) {
      if (const std::string skipped = c.make(folder.Path(c.name)); !skipped.empty()) {
        std::printf("skipped \"%s\": %s\n", c.what, skipped.c_str());
        continue;
      }
      SetModified(folder.Path(c.name));
    }
    names.push_back(c.name);
    made.push_back(&c);
  }
  LinuxFileDates reader;
  DateReading reading;
  const auto taken = reader.Read(folder.path(), names, DateKind::Taken, reading);
  ASSERT_TRUE(taken.has_value());
  EXPECT_EQ(reading.done, names.size());
  for (std::size_t i = 0; i < made.size(); ++i) {
    SCOPED_TRACE(made[i]->what);
    EXPECT_EQ((*taken)[i], made[i]->taken);
  }
  // The dates for names tell the same time taken, and none where the file tells none.
  DateReading namesReading;
  const auto nameDates = reader.ReadNameDates(folder.path(), names, DateKind::Taken, namesReading);
  ASSERT_TRUE(nameDates.has_value());
  for (std::size_t i = 0; i < made.size(); ++i) {
    const FileDate& expected = made[i]->taken;
    const bool tellsNone = !expected || *expected == kModified;
    EXPECT_EQ((*nameDates)[i].taken, tellsNone ? std::nullopt : std::optional(LocalDateTime(*expected))) << made[i]->what;
    EXPECT_EQ((*nameDates)[i].modified.has_value(), made[i]->make != nullptr) << made[i]->what;
  }
  // The modification time is read alone on request, to the nanosecond; it is still the one
  // each file was given, so nothing was written.
  DateReading modifiedReading;
  const auto modified = reader.Read(folder.path(), names, DateKind::Modified, modifiedReading);
  ASSERT_TRUE(modified.has_value());
  for (std::size_t i = 0; i < made.size(); ++i) {
    EXPECT_EQ((*modified)[i], made[i]->make ? FileDate(kModified) : std::nullopt) << made[i]->what;
  }
  // Asked for dates taken only, a file that says nothing has none.
  DateReading takenOnlyReading;
  const auto takenOnly = reader.Read(folder.path(), names, DateKind::TakenOnly, takenOnlyReading);
  ASSERT_TRUE(takenOnly.has_value());
  for (std::size_t i = 0; i < made.size(); ++i) {
    EXPECT_EQ((*takenOnly)[i], made[i]->taken == FileDate(kModified) ? std::nullopt : made[i]->taken) << made[i]->what;
  }
}

// A HEIC or a MOV of millions of empty boxes takes libheif or libavformat seconds to walk: a
// stop request made while the first is read ends the read within half a second, and the
// second is not walked at all.
TEST(LinuxFileDates, AStoppedReadGivesNothingAndAFolderThatIsGoneGivesNoDates) {
  const TempFolder folder;
  folder.WriteFile("a.jpg");
  for (const auto& [name, fileType] : {std::pair{"slow.heic", std::string("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic", 24)},
                                       std::pair{"slow.mov", std::string("\0\0\0\x14" "ftypqt  \0\0\0\0qt  ", 20)}}) {
    std::string boxes = fileType;
    for (int box = 0; box < kSlowFileBoxes; ++box) boxes.append("\0\0\0\x08" "free", 8);
    folder.WriteFile(name, boxes);
  }
  LinuxFileDates reader;
  DateReading stopped;
  stopped.stop = true;
  EXPECT_EQ(reader.Read(folder.path(), {"a.jpg"}, DateKind::Taken, stopped), std::nullopt);
  DateReading slow;
  std::chrono::steady_clock::time_point stopAt;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stopAt = std::chrono::steady_clock::now();
    slow.stop = true;
  });
  EXPECT_EQ(reader.Read(folder.path(), {"slow.heic", "slow.mov", "a.jpg"}, DateKind::Taken, slow), std::nullopt);
  const auto answered = std::chrono::steady_clock::now();
  stopper.join();
  EXPECT_LT(answered - stopAt, std::chrono::milliseconds(500));
  DateReading gone;
  EXPECT_EQ(reader.Read(folder.Path("missing"), {"a.jpg"}, DateKind::Taken, gone), std::vector<FileDate>{std::nullopt});
}

}  // namespace
}  // namespace tolvane
