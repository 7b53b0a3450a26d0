// Splits a scan of many records over threads. Each thread takes the next block of records,
// works out what the block adds to the cells into a buffer of its own, waits for the blocks
// before it and adds its buffer into the cells: every cell gets the same additions in the same
// order as on one thread, so sums are identical to the bit whatever the measure, while the
// reading, classifying and parsing run side by side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "site_settings.h"

// The threads a scan of `records` records uses under the rule on this machine: at least 1, never
// more than the cores (unless the rule lifts that), one per `recordsPerThread` records, and when
// the rule follows the load, only the cores the 1-minute load average leaves free.
int scanThreads(const ThreadRule& rule, std::int64_t records);
// The same with the machine's figures given: `cores` 0 when unknown, `load` negative when
// unknown (then no thread is added).
int scanThreads(const ThreadRule& rule, std::int64_t records, unsigned cores, double load);

// Runs produce(block, worker) for blocks 0..blocks-1 on up to `threads` threads, the caller's
// being worker 0, and apply(worker) after each block's produce, strictly in block order: a worker
// holds its block's buffer until every earlier block is applied. A thread that cannot be started
// leaves its share to the others. An exception of either call ends the run once the blocks begun
// are through, and is thrown again here. Returns the threads that ran.
int runBlocksInOrder(std::size_t blocks, int threads,
                     const std::function<void(std::size_t block, int worker)>& produce,
                     const std::function<void(int worker)>& apply);
