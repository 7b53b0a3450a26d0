// Splits a scan of many records over threads. Each thread takes the next block of records and
// works out what the block adds to the cells into a buffer; the buffers are added into the cells
// one at a time in block order. Every cell gets the same additions in the same order as on one
// thread, so sums are identical to the bit whatever the measure, while the reading, classifying
// and parsing run side by side.
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

// Runs produce(block, slot) for blocks 0..blocks-1 on up to `threads` threads (the caller's
// among them), each thread taking the next block as it finishes one, and apply(slot) for each
// block strictly in block order, by whichever thread finds it next in line. Block k uses buffer
// slot k % slots, which stays its own until applied: with more slots than threads a thread that
// runs ahead goes on with further blocks instead of waiting for a slower one. A thread that cannot
// be started leaves its share to the others. An exception of either call stops the run: blocks
// after the failing one are not applied, and the exception is thrown again here once every
// thread is through. Returns the threads that ran.
int runBlocksInOrder(std::size_t blocks, int threads, std::size_t slots,
                     const std::function<void(std::size_t block, std::size_t slot)>& produce,
                     const std::function<void(std::size_t slot)>& apply);
