#include "platform/linux_file_dates.h"

#include <exiv2/exiv2.hpp>
#include <fcntl.h>
#include <libheif/heif.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include "platform/taken_time.h"

namespace tolvane {

namespace {

// A file descriptor that closes with its owner.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_;
};

FileTime ModificationOf(const struct stat& status) {
  return FileTime{status.st_mtim.tv_sec, static_cast<std::uint32_t>(status.st_mtim.tv_nsec)};
}

// The name a link leads to when it names a file of the same folder; nothing for any other link.
std::optional<std::string> LinkWithinFolder(int folder, const std::string& name) {
  std::array<char, 4096> target{};
  const ssize_t length = ::readlinkat(folder, name.c_str(), target.data(), target.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return std::nullopt;
  std::string within(target.data(), static_cast<std::size_t>(length));
  if (within.find('/') != std::string::npos || within == "." || within == "..") return std::nullopt;
  return within;
}

// The file a name of the folder stands for, and its status: a plain file, or a link to a
// name of the same folder that is one. The link itself where it leads anywhere else.
struct FileInFolder {
  std::string name;
  struct stat status {};
};

std::optional<FileInFolder> FindInFolder(int folder, std::string_view bareName) {
  FileInFolder file{std::string(bareName), {}};
  if (::fstatat(folder, file.name.c_str(), &file.status, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  if (!S_ISLNK(file.status.st_mode)) return file;
  const std::optional<std::string> target = LinkWithinFolder(folder, file.name);
  FileInFolder linked{target.value_or(std::string()), {}};
  if (target && ::fstatat(folder, target->c_str(), &linked.status, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISREG(linked.status.st_mode)) {
    return linked;
  }
  return file;
}

FileDate ModifiedDate(int folder, std::string_view name) {
  const auto file = FindInFolder(folder, name);
  if (!file) return std::nullopt;
  return ModificationOf(file->status);
}

// The keys a photo's date taken is looked for under, first found first, each with its
// sub-seconds and offset tags where EXIF has them. Made once: a key is parsed from its name.
struct ExifDateKey {
  Exiv2::ExifKey date;
  std::optional<Exiv2::ExifKey> subSeconds;
  std::optional<Exiv2::ExifKey> offset;
};

const std::vector<ExifDateKey>& ExifDateKeys() {
  static const std::vector<ExifDateKey> keys{
      {Exiv2::ExifKey("Exif.Photo.DateTimeOriginal"), Exiv2::ExifKey("Exif.Photo.SubSecTimeOriginal"),
       Exiv2::ExifKey("Exif.Photo.OffsetTimeOriginal")},
      {Exiv2::ExifKey("Exif.Image.DateTimeOriginal"), std::nullopt, std::nullopt},
      {Exiv2::ExifKey("Exif.Photo.DateTimeDigitized"), Exiv2::ExifKey("Exif.Photo.SubSecTimeDigitized"),
       Exiv2::ExifKey("Exif.Photo.OffsetTimeDigitized")},
  };
  return keys;
}

const std::vector<Exiv2::XmpKey>& XmpDateKeys() {
  static const std::vector<Exiv2::XmpKey> keys{Exiv2::XmpKey("Xmp.exif.DateTimeOriginal"),
                                               Exiv2::XmpKey("Xmp.photoshop.DateCreated")};
  return keys;
}

std::string ExifText(const Exiv2::ExifData& exif, const std::optional<Exiv2::ExifKey>& key) {
  if (!key) return {};
  const auto found = exif.findKey(*key);
  return found == exif.end() ? std::string() : found->toString();
}

std::optional<TakenTime> DateInMetadata(const Exiv2::ExifData& exif, const Exiv2::XmpData& xmp) {
  for (const ExifDateKey& key : ExifDateKeys()) {
    const std::string date = ExifText(exif, key.date);
    if (date.empty()) continue;
    if (const auto time = ExifTaken(date, ExifText(exif, key.subSeconds), ExifText(exif, key.offset))) return time;
  }
  for (const Exiv2::XmpKey& key : XmpDateKeys()) {
    const auto found = xmp.findKey(key);
    if (found == xmp.end()) continue;
    if (const auto time = IsoTaken(found->toString())) return time;
  }
  return std::nullopt;
}

// The path through which a library opens a file this process holds open already, so that
// no name is looked up again.
std::string PathOfDescriptor(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

std::optional<TakenTime> DateOfImage(Exiv2::Image::AutoPtr image) {
  if (image.get() == nullptr) return std::nullopt;
  image->readMetadata();
  return DateInMetadata(image->exifData(), image->xmpData());
}

// A JPEG's metadata stands in its first segments, before the image data: those are read in
// one go and handed to exiv2 in memory, which spares the opening and mapping of the file.
// A JPEG whose metadata goes on past them, and every other photo, is opened as a file.
constexpr std::size_t kJpegHead = 256 * 1024;

std::optional<TakenTime> PhotoDate(int fd, std::size_t size, bool jpeg) {
  if (jpeg) {
    std::vector<Exiv2::byte> head(std::min(size, kJpegHead));
    const ssize_t read = ::pread(fd, head.data(), head.size(), 0);
    if (read > 0) {
      try {
        return DateOfImage(Exiv2::ImageFactory::open(head.data(), static_cast<long>(read)));
      } catch (const Exiv2::AnyError&) {
        if (size <= head.size()) throw;
      }
    }
  }
  return DateOfImage(Exiv2::ImageFactory::open(PathOfDescriptor(fd)));
}

// libheif reads a HEIC through this, from the file held open, in blocks: it asks for a few
// bytes at a time. Every read asks first whether a stop was requested, since a file of
// millions of empty boxes takes seconds to walk.
struct HeifSource {
  static constexpr std::size_t kBlock = 64 * 1024;
  int fd;
  std::int64_t size;
  const DateReading& reading;
  std::int64_t position = 0;
  std::vector<char> block;  // the file's bytes from blockStart on
  std::int64_t blockStart = 0;

  // False at the end of the file or on a failure.
  bool LoadBlockAtPosition() {
    block.resize(kBlock);
    ssize_t read = 0;
    do {
      read = ::pread(fd, block.data(), block.size(), position);
    } while (read < 0 && errno == EINTR);
    block.resize(static_cast<std::size_t>(std::max<ssize_t>(read, 0)));
    blockStart = position;
    return read > 0;
  }
};

int ReadHeif(void* data, std::size_t bytes, void* userdata) {
  auto& source = *static_cast<HeifSource*>(userdata);
  if (source.reading.stop) return 1;
  for (auto* into = static_cast<char*>(data); bytes > 0;) {
    const std::int64_t offset = source.position - source.blockStart;
    if ((offset < 0 || offset >= static_cast<std::int64_t>(source.block.size())) && !source.LoadBlockAtPosition()) {
      return 1;
    }
    const auto from = static_cast<std::size_t>(source.position - source.blockStart);
    const std::size_t count = std::min(bytes, source.block.size() - from);
    std::memcpy(into, source.block.data() + from, count);
    into += count;
    bytes -= count;
    source.position += static_cast<std::int64_t>(count);
  }
  return 0;
}

const heif_reader kHeifReader{
    1,
    [](void* source) { return static_cast<HeifSource*>(source)->position; },
    ReadHeif,
    [](std::int64_t position, void* source) {
      static_cast<HeifSource*>(source)->position = position;
      return 0;
    },
    [](std::int64_t size, void* source) {
      return size > static_cast<HeifSource*>(source)->size ? heif_reader_grow_status_size_beyond_eof
                                                           : heif_reader_grow_status_size_reached;
    },
};

// A HEIC keeps its Exif in a block of its own, behind four bytes that tell where the TIFF
// header starts; XMP comes as a block of type "mime".
std::optional<TakenTime> HeifDate(int fd, std::size_t fileSize, const DateReading& reading) {
  HeifSource source{fd, static_cast<std::int64_t>(fileSize), reading, 0, {}, 0};
  const std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), heif_context_free);
  if (heif_context_read_from_reader(context.get(), &kHeifReader, &source, nullptr).code != heif_error_Ok) {
    return std::nullopt;
  }
  heif_image_handle* rawHandle = nullptr;
  if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok) return std::nullopt;
  const std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(rawHandle,
                                                                                        heif_image_handle_release);
  Exiv2::ExifData exif;
  Exiv2::XmpData xmp;
  const int count = heif_image_handle_get_number_of_metadata_blocks(handle.get(), nullptr);
  std::vector<heif_item_id> ids(static_cast<std::size_t>(std::max(count, 0)));
  heif_image_handle_get_list_of_metadata_block_IDs(handle.get(), nullptr, ids.data(), count);
  for (const heif_item_id id : ids) {
    std::vector<Exiv2::byte> block(heif_image_handle_get_metadata_size(handle.get(), id));
    if (heif_image_handle_get_metadata(handle.get(), id, block.data()).code != heif_error_Ok) continue;
    const std::string type = heif_image_handle_get_metadata_type(handle.get(), id);
    if (type == "Exif" && block.size() > 4) {
      const std::size_t start = 4 + ((std::size_t{block[0]} << 24) | (std::size_t{block[1]} << 16) |
                                     (std::size_t{block[2]} << 8) | block[3]);
      if (start >= block.size()) continue;
      Exiv2::ExifParser::decode(exif, block.data() + start, static_cast<std::uint32_t>(block.size() - start));
    } else if (type == "mime") {
      Exiv2::XmpParser::decode(xmp, std::string(block.begin(), block.end()));
    }
  }
  return DateInMetadata(exif, xmp);
}

// libavformat asks before each read of the file whether to go on: a file of millions of empty
// atoms is read for half a minute, and a stop request must end that at once.
int StopRequested(void* reading) { return static_cast<const DateReading*>(reading)->stop ? 1 : 0; }

// MP4 and QuickTime keep the moment the recording was made in their movie header. The file
// is read as that format and as a plain file only, so that nothing in it can lead the
// library to another file or address.
std::optional<TakenTime> VideoDate(int fd, const DateReading& reading) {
  AVFormatContext* context = avformat_alloc_context();
  if (context == nullptr) return std::nullopt;
  context->interrupt_callback = AVIOInterruptCB{StopRequested, const_cast<DateReading*>(&reading)};
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  const int opened = avformat_open_input(&context, PathOfDescriptor(fd).c_str(), av_find_input_format("mov"), &options);
  av_dict_free(&options);
  if (opened != 0) return std::nullopt;
  std::optional<TakenTime> time;
  if (const AVDictionaryEntry* entry = av_dict_get(context->metadata, "creation_time", nullptr, 0)) {
    time = IsoTaken(entry->value);
  }
  avformat_close_input(&context);
  return time;
}

// The ISO base media file format, MP4's and QuickTime's, begins with a box: four bytes of
// length, then its type.
bool IsMediaBoxes(const std::array<Exiv2::byte, 12>& head, std::size_t length) {
  if (length < 8) return false;
  static constexpr std::array<const char*, 6> kFirstBoxes{"ftyp", "moov", "mdat", "wide", "free", "skip"};
  return std::any_of(kFirstBoxes.begin(), kFirstBoxes.end(),
                     [&](const char* type) { return std::memcmp(head.data() + 4, type, 4) == 0; });
}

std::optional<TakenTime> TakenInFile(int fd, std::size_t fileSize, const DateReading& reading) {
  std::array<Exiv2::byte, 12> head{};
  const ssize_t length = ::pread(fd, head.data(), head.size(), 0);
  if (length <= 0) return std::nullopt;
  const auto size = static_cast<std::size_t>(length);
  // Exiv2 takes a HEIC or a video for an image without metadata, so those are told first;
  // a file exiv2 does not know either raises, and keeps its modification time.
  if (heif_check_filetype(head.data(), static_cast<int>(size)) == heif_filetype_yes_supported) {
    return HeifDate(fd, fileSize, reading);
  }
  if (IsMediaBoxes(head, size)) return VideoDate(fd, reading);
  const bool jpeg = size >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
  return PhotoDate(fd, fileSize, jpeg);
}

// The date taken that a found file tells; none where it tells none or cannot be read.
std::optional<TakenTime> TakenOfFile(int folder, const FileInFolder& file, const DateReading& reading) {
  if (!S_ISREG(file.status.st_mode)) return std::nullopt;
  const Descriptor fd(::openat(folder, file.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd) return std::nullopt;
  try {
    return TakenInFile(fd.get(), static_cast<std::size_t>(file.status.st_size), reading);
  } catch (...) {
    // Metadata that cannot be read leaves the file its modification time, whatever the library raised.
    return std::nullopt;
  }
}

// The date taken, or where the file tells none, its modification time; nothing then where
// only a date taken is asked for.
FileDate TakenDate(int folder, std::string_view name, DateKind kind, const DateReading& reading) {
  const auto file = FindInFolder(folder, name);
  if (!file) return std::nullopt;
  if (const std::optional<TakenTime> taken = TakenOfFile(folder, *file, reading)) return taken->moment;
  return kind == DateKind::Taken ? FileDate(ModificationOf(file->status)) : std::nullopt;
}

NameDates NameDatesOf(int folder, std::string_view name, DateKind kind, const DateReading& reading) {
  const auto file = FindInFolder(folder, name);
  if (!file) return {};
  NameDates dates{std::nullopt, LocalDateTime(ModificationOf(file->status))};
  if (kind == DateKind::Taken) {
    if (const std::optional<TakenTime> taken = TakenOfFile(folder, *file, reading)) dates.taken = WrittenDateTime(*taken);
  }
  return dates;
}

// Reads one date of each name on every processor: a stat is short, a photo's metadata is
// not, so files are handed out `batch` at a time. Nothing when the read was stopped.
template <typename Date, typename ReadOne>
std::optional<std::vector<Date>> ReadEach(const std::string& folder, const std::vector<std::string_view>& names,
                                          std::size_t batch, DateReading& reading, ReadOne readOne) {
  std::vector<Date> dates(names.size());
  const Descriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folderFd) {
    reading.done = names.size();
    return dates;
  }
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (;;) {
      if (reading.stop) return;
      const std::size_t first = next.fetch_add(batch);
      if (first >= names.size()) return;
      const std::size_t last = std::min(first + batch, names.size());
      for (std::size_t i = first; i < last; ++i) dates[i] = readOne(folderFd.get(), names[i]);
      reading.done += last - first;
    }
  };
  std::vector<std::thread> helpers(std::max(1U, std::thread::hardware_concurrency()) - 1);
  for (std::thread& helper : helpers) helper = std::thread(work);
  work();
  for (std::thread& helper : helpers) helper.join();
  if (reading.stop) return std::nullopt;
  return dates;
}

std::size_t BatchOf(DateKind kind) { return kind == DateKind::Modified ? 1024 : 4; }

std::mutex xmpLock;

void LockXmp(void*, bool lock) {
  if (lock) {
    xmpLock.lock();
  } else {
    xmpLock.unlock();
  }
}

}  // namespace

LinuxFileDates::LinuxFileDates() {
  // Exiv2's XMP toolkit is shared by every thread and must be set up once, with a lock.
  Exiv2::XmpParser::initialize(LockXmp, nullptr);
  Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
  av_log_set_level(AV_LOG_QUIET);
}

std::optional<std::vector<FileDate>> LinuxFileDates::Read(const std::string& folder,
                                                          const std::vector<std::string_view>& names, DateKind kind,
                                                          DateReading& reading) {
  return ReadEach<FileDate>(folder, names, BatchOf(kind), reading, [kind, &reading](int folderFd, std::string_view name) {
    return kind == DateKind::Modified ? ModifiedDate(folderFd, name) : TakenDate(folderFd, name, kind, reading);
  });
}

std::optional<std::vector<NameDates>> LinuxFileDates::ReadNameDates(const std::string& folder,
                                                                    const std::vector<std::string_view>& names,
                                                                    DateKind kind, DateReading& reading) {
  return ReadEach<NameDates>(folder, names, BatchOf(kind), reading, [kind, &reading](int folderFd, std::string_view name) {
    return NameDatesOf(folderFd, name, kind, reading);
  });
}

}  // namespace tolvane
