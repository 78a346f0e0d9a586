// Where converted messages are written. Writing always appends; a few bytes already
// written can be overwritten in place (WriteAt), and the output can be cut back to an
// earlier size (Truncate), which is how a message is dropped or converted again. Every
// failure is remembered, so the writer asks once whether everything got through.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace platform {

class OutputStream {
 public:
  virtual ~OutputStream() = default;
  virtual bool Write(std::string_view bytes) = 0;
  // Bytes written so far (the output's size).
  virtual uint64_t Position() const = 0;
  // Overwrites bytes at position (which must lie within what was written).
  virtual bool WriteAt(uint64_t position, std::string_view bytes) = 0;
  virtual bool Truncate(uint64_t size) = 0;
  // errno of the first failure, or 0.
  virtual int Error() const = 0;
  bool Failed() const { return Error() != 0; }
};

// An output held in memory.
class MemoryOutput final : public OutputStream {
 public:
  bool Write(std::string_view bytes) override {
    data_.append(bytes);
    return true;
  }
  uint64_t Position() const override { return data_.size(); }
  bool WriteAt(uint64_t position, std::string_view bytes) override;
  bool Truncate(uint64_t size) override;
  int Error() const override { return 0; }
  const std::string& Data() const { return data_; }
  std::string& Data() { return data_; }

 private:
  std::string data_;
};

// An output file.
class FileOutput final : public OutputStream {
 public:
  // Opens path, created empty (or replacing what is there) unless append is set.
  bool Open(const std::string& path, bool append = false);
  bool Write(std::string_view bytes) override { return file_.Write(bytes); }
  uint64_t Position() const override { return file_.Position(); }
  bool WriteAt(uint64_t position, std::string_view bytes) override { return file_.WriteAt(position, bytes); }
  bool Truncate(uint64_t size) override { return file_.Truncate(size); }
  int Error() const override { return file_.Error(); }
  bool Close() { return file_.Close(); }
  const std::string& Path() const { return file_.Path(); }

 private:
  OutputFile file_;
};

// One message at a time: kept in memory up to a limit, and in an unnamed scratch file in
// the given folder beyond it, so that a huge message does not grow the program's memory.
class SpillOutput final : public OutputStream {
 public:
  explicit SpillOutput(std::string scratchFolder, size_t memoryLimit = 8u << 20)
      : folder_(std::move(scratchFolder)), limit_(memoryLimit) {}
  ~SpillOutput() override;
  bool Write(std::string_view bytes) override;
  uint64_t Position() const override { return size_; }
  bool WriteAt(uint64_t position, std::string_view bytes) override;
  bool Truncate(uint64_t size) override;
  int Error() const override { return error_; }
  // Copies everything written to out.
  bool CopyTo(OutputStream& out);

 private:
  bool Spill();
  std::string folder_;
  size_t limit_;
  std::string memory_;
  int fd_ = -1;
  uint64_t size_ = 0;
  int error_ = 0;
};

}  // namespace platform
