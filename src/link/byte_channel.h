// The byte stream the Modbus link talks over: write a frame, count and read what came back,
// sleep until input arrives, drop what is buffered. A serial port provides it (SerialPort adds
// opening, text and the modem lines); so can anything else that carries the bytes. Write is
// called from request worker threads while the main thread counts and reads input, so an
// implementation must allow that.
#pragma once

#include <cstdint>
#include <span>

namespace vorel {

class ByteChannel {
 public:
  virtual ~ByteChannel() = default;

  // Writes all bytes or fails (after the write timeout, or when the device is gone).
  virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
  // Bytes waiting to be read; 0 when closed or gone.
  virtual int InputCount() = 0;
  // Up to into.size() bytes, waiting at most the read timeout for missing ones; returns the
  // number read.
  virtual int Read(std::span<std::uint8_t> into) = 0;
  // Blocks until input is waiting or `ms` have passed; true when input is waiting. Wait loops
  // sleep here instead of spinning.
  virtual bool WaitForInput(int ms) = 0;
  // Drops the bytes received and not yet read.
  virtual void PurgeInput() = 0;
  // Drops the bytes written and not yet sent.
  virtual void PurgeOutput() = 0;
  // True once the device behind the channel has gone away (adapter unplugged, the other end
  // closed, the connection dropped). Every operation then fails at once; only a new open
  // brings it back.
  virtual bool Gone() const = 0;
};

}  // namespace vorel
