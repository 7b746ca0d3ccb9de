// Reading the whole TCP table through the IP helper's self-sizing call: the buffer size to start with,
// the headroom kept for a table that grows between refreshes, retries while it grows during a read, and
// what counts as a failure. Portable (no windows.h): the call itself is injected.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

constexpr uint32_t kStatusInsufficientBuffer = 122; // ERROR_INSUFFICIENT_BUFFER
// Reads after the one that was sized but found the table grown since.
constexpr int kTableGrowthRetries = 3;

// One table call: table is the buffer of *size bytes (null: only ask for the size). Returns the library's
// status; with kStatusInsufficientBuffer it writes the size the table needs now to *size.
using TableCall = std::function<uint32_t(void* table, uint32_t* size)>;

// The buffer size of a read after a successful one that used lastTableBytes: a quarter more and sixteen rows,
// so a table that grew a little needs no sizing call; capped at what the call's 32-bit size can say.
uint32_t TableReadSize(size_t lastTableBytes, size_t rowBytes);

// Reads the table into buffer. lastTableBytes is what the rows of the previous successful read used (0 for the
// first read of the run, which asks for the size first) and is updated on success. A table that outgrows the
// buffer is read again with the size the call reported, kTableGrowthRetries times at most. Returns false when
// the sizing call does not report a size, a read fails, the table keeps growing, or the buffer cannot be had;
// lastTableBytes then stays as it was.
bool FetchTcpTable(const TableCall& call, size_t rowBytes, size_t& lastTableBytes, std::vector<unsigned char>& buffer);
