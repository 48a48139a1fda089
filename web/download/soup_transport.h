#pragma once

// The program's transports: `SoupTransport` (http, https) on the process's
// one SoupSession, `FileTransport` (file:) through GIO. Both run on the
// default GMainContext.

#include <gio/gio.h>

#include <memory>
#include <string>

#include "web/download/url_transport.h"

namespace halbrin {

// What the process's session is made with. The I/O timeout is the backstop
// for a stalled server; `resolver` (nullptr: GLib's) answers name lookups.
struct DownloadSessionOptions {
  unsigned ioTimeoutSeconds = 120;
  GResolver* resolver = nullptr;
  bool systemProxy = true;
};
// Replaces the options and drops the session (made anew at its next use).
void SetDownloadSessionOptions(const DownloadSessionOptions& options);

class SoupTransport final : public IUrlTransport {
 public:
  SoupTransport();
  ~SoupTransport() override;
  void Send(const TUrlRequest& request, IUrlTransportSink& sink) override;
  void ReadNext() override;
  void Cancel() override;

  struct State;

 private:
  std::shared_ptr<State> m_state;
};

class FileTransport final : public IUrlTransport {
 public:
  FileTransport();
  ~FileTransport() override;
  void Send(const TUrlRequest& request, IUrlTransportSink& sink) override;
  void ReadNext() override;
  void Cancel() override;

  struct State;

 private:
  std::shared_ptr<State> m_state;
};

}  // namespace halbrin
