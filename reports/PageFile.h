// The generated page file: opened for one page write, written as UTF-16LE, closed at the end.
// While it is open no other writer can open it (an advisory lock); readers may.
#pragma once
#include <string>
#include <string_view>

class PageFile {
 public:
  PageFile() = default;
  ~PageFile();
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  // Creates or truncates the file for writing. False when it cannot be opened or another
  // writer holds it; the file is then untouched.
  bool Open(const std::wstring& path);
  // Writes the text's characters as UTF-16LE code units. Writes are gathered into large
  // blocks (a page of 100,000 rows would otherwise cost 100,000 system calls); the file holds
  // everything once Close returns. False once a write has failed.
  bool Write(std::wstring_view text);
  // Writes what is gathered and closes the file.
  bool Close();
  bool IsOpen() const { return fd_ >= 0; }

 private:
  bool Flush();

  int fd_ = -1;
  bool failed_ = false;
  std::string pending_;
};
