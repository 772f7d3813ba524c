#include "platform/compound_storage.h"

#include <glib.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <mutex>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/work_done.h"

namespace skarvo {
namespace {

// libgsf reports damaged documents with g_warning; a reader that copes with them itself
// has no use for those lines on stderr.
void IgnoreLog(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

constexpr auto kQuietLevels =
    static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_MESSAGE |
                                G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG | G_LOG_FLAG_RECURSION);

// Some of libgsf's warnings carry no log domain; those are silenced only while libgsf
// works for us, so that other code's domain-less messages still show.
// Readers on several threads share one handler, set by the first and removed by the last:
// handlers set and removed side by side were seen to lose one another.
class QuietDefaultDomain {
 public:
  QuietDefaultDomain() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (users_++ == 0) id_ = g_log_set_handler(nullptr, kQuietLevels, IgnoreLog, nullptr);
  }
  ~QuietDefaultDomain() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (--users_ == 0) g_log_remove_handler(nullptr, id_);
  }
  QuietDefaultDomain(const QuietDefaultDomain&) = delete;
  QuietDefaultDomain& operator=(const QuietDefaultDomain&) = delete;

 private:
  static inline std::mutex mutex_;
  static inline int users_ = 0;
  static inline guint id_ = 0;
};

void InitLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    gsf_init();
    for (const char* domain : {"libgsf", "libgsf:msole", "libgsf:utils"})
      g_log_set_handler(domain, kQuietLevels, IgnoreLog, nullptr);
  });
}

struct GObjectUnref {
  void operator()(void* object) const {
    if (object) g_object_unref(object);
  }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

struct GFreeString {
  void operator()(gchar* text) const { g_free(text); }
};

// Case-insensitive key of a UTF-8 name.
std::string FoldedName(const char* utf8) {
  std::unique_ptr<gchar, GFreeString> folded(g_utf8_casefold(utf8, -1));
  return folded ? std::string(folded.get()) : std::string();
}

// Largest piece handed to libgsf in one read.
constexpr gsf_off_t kReadPiece = 1 << 20;

// A stream read in pieces at any offset.
class StreamByteSource : public ByteSource {
 public:
  explicit StreamByteSource(GPtr<GsfInput> stream)
      : stream_(std::move(stream)), size_(static_cast<uint64_t>(gsf_input_size(stream_.get()))) {}

  uint64_t Size() const override { return size_; }

  bool ReadAt(uint64_t offset, size_t count, std::string& out) override {
    out.clear();
    if (offset >= size_) return true;
    QuietDefaultDomain quiet;
    const uint64_t wanted = std::min<uint64_t>(count, size_ - offset);
    if (gsf_input_seek(stream_.get(), static_cast<gsf_off_t>(offset), G_SEEK_SET)) return false;
    out.resize(static_cast<size_t>(wanted));
    for (uint64_t done = 0; done < wanted;) {
      const uint64_t piece = std::min<uint64_t>(kReadPiece, wanted - done);
      if (!gsf_input_read(stream_.get(), static_cast<size_t>(piece),
                          reinterpret_cast<guint8*>(out.data() + done)))
        return false;
      done += piece;
    }
    workDone += wanted;
    return true;
  }

 private:
  GPtr<GsfInput> stream_;
  uint64_t size_;
};

}  // namespace

struct CompoundStorage::Handles {
  std::string bytes;  // the document, when it was opened from memory
  GPtr<GsfInput> source;
  GPtr<GsfInfile> root;

  // The root's child stream of that (CP932) name, or nullptr.
  GPtr<GsfInput> FindStream(const std::string& name) const {
    QuietDefaultDomain quiet;
    std::string utf8;
    if (!Cp932ToUtf8(name, utf8) || !g_utf8_validate(utf8.c_str(), -1, nullptr)) return nullptr;
    const std::string wanted = FoldedName(utf8.c_str());
    const int count = gsf_infile_num_children(root.get());
    for (int i = 0; i < count; ++i) {
      const char* childName = gsf_infile_name_by_index(root.get(), i);
      if (!childName || !g_utf8_validate(childName, -1, nullptr)) continue;
      if (FoldedName(childName) != wanted) continue;
      GPtr<GsfInput> child(gsf_infile_child_by_index(root.get(), i));
      if (!child) continue;
      // A storage is an infile with children (possibly none); a stream has -1.
      if (GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0)
        continue;
      return child;
    }
    return nullptr;
  }
};

CompoundStorage::CompoundStorage(std::unique_ptr<Handles> handles, uint64_t fileSize)
    : handles_(std::move(handles)), fileSize_(fileSize) {}

CompoundStorage::~CompoundStorage() = default;

std::unique_ptr<CompoundStorage> CompoundStorage::Open(const std::string& path) {
  InitLibrary();
  auto native = NativePath(path);
  if (!native || !FileExists(path)) return nullptr;
  auto handles = std::make_unique<Handles>();
  GError* error = nullptr;
  handles->source.reset(gsf_input_stdio_new(native->c_str(), &error));
  if (error) g_error_free(error);
  return Attach(std::move(handles));
}

std::unique_ptr<CompoundStorage> CompoundStorage::OpenBytes(std::string bytes) {
  InitLibrary();
  // The input points into the bytes, so they stay where they are for its whole life.
  auto handles = std::make_unique<Handles>();
  handles->bytes = std::move(bytes);
  handles->source.reset(gsf_input_memory_new(reinterpret_cast<const guint8*>(handles->bytes.data()),
                                             static_cast<gsf_off_t>(handles->bytes.size()), FALSE));
  return Attach(std::move(handles));
}

std::unique_ptr<CompoundStorage> CompoundStorage::Attach(std::unique_ptr<Handles> handles) {
  QuietDefaultDomain quiet;
  if (!handles->source) return nullptr;
  const gsf_off_t size = gsf_input_size(handles->source.get());
  if (size <= 0) return nullptr;
  GError* error = nullptr;
  handles->root.reset(gsf_infile_msole_new(handles->source.get(), &error));
  if (error) g_error_free(error);
  if (!handles->root) return nullptr;
  return std::make_unique<CompoundStorage>(std::move(handles), static_cast<uint64_t>(size));
}

std::vector<std::string> CompoundStorage::StreamNames() const {
  QuietDefaultDomain quiet;
  std::vector<std::string> names;
  const int count = gsf_infile_num_children(handles_->root.get());
  for (int i = 0; i < count; ++i) {
    const char* childName = gsf_infile_name_by_index(handles_->root.get(), i);
    if (!childName) continue;
    std::string cp932;
    if (!Utf8ToCp932(childName, cp932)) continue;
    GPtr<GsfInput> child(gsf_infile_child_by_index(handles_->root.get(), i));
    if (!child) continue;
    if (GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0)
      continue;
    names.push_back(std::move(cp932));
  }
  return names;
}

bool CompoundStorage::HasStream(const std::string& name) const {
  return handles_->FindStream(name) != nullptr;
}

std::optional<std::string> CompoundStorage::ReadStream(const std::string& name) const {
  GPtr<GsfInput> stream = handles_->FindStream(name);
  if (!stream) return std::nullopt;
  QuietDefaultDomain quiet;
  const gsf_off_t size = gsf_input_size(stream.get());
  // Every byte of a stream lies in the file, so a larger declared size is damage.
  if (size < 0 || static_cast<uint64_t>(size) > fileSize_) return std::nullopt;
  std::string content(static_cast<size_t>(size), '\0');
  gsf_off_t done = 0;
  while (done < size) {
    const gsf_off_t piece = std::min(kReadPiece, size - done);
    if (!gsf_input_read(stream.get(), static_cast<size_t>(piece),
                        reinterpret_cast<guint8*>(content.data() + done)))
      return std::nullopt;
    done += piece;
  }
  return content;
}

std::unique_ptr<ByteSource> CompoundStorage::OpenStream(const std::string& name) const {
  GPtr<GsfInput> stream = handles_->FindStream(name);
  if (!stream) return nullptr;
  const gsf_off_t size = gsf_input_size(stream.get());
  if (size < 0 || static_cast<uint64_t>(size) > fileSize_) return nullptr;
  auto source = std::make_unique<StreamByteSource>(std::move(stream));
  if (!ReadsWhole(*source)) return nullptr;
  return source;
}

}  // namespace skarvo
