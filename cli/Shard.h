// --shard K/N: one of N parts of the collected list, for batch systems that
// start N copies of a command and hand each its index (array jobs).
#pragma once

#include <string>
#include <vector>

struct FileItem;

struct ShardChoice {
    int nIndex = 0;  // K: 0 <= K < N
    int nCount = 1;  // N: 1 keeps every entry
};

// The largest N: nine digits always fit an int.
constexpr int kMaxShardCount = 999999999;

// "K/N" in decimal digits only (no sign, no blanks), 0 <= K < N <=
// kMaxShardCount. false for any other form.
bool ParseShard(const std::string& strText, ShardChoice& shard);
// The rule ParseShard checks, for messages.
std::string ShardRule();
// Keeps the entries whose position in the list is K modulo N, in their order.
void KeepShardEntries(std::vector<FileItem>& vecItems, const ShardChoice& shard);
