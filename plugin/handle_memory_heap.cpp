// The handles of the native build: the C heap, with the block's size kept in front of it.
#include <cstdlib>
#include <cstring>

#include "plugin/acquire.h"
#include "plugin/handle_memory.h"

namespace {

int g_status = 0;

struct BlockHead {
    size_t size;
    size_t pad;  // keeps the block 16-byte aligned
};

BlockHead* HeadOf(void* block) {
    return static_cast<BlockHead*>(block) - 1;
}

}  // namespace

void* NewHandleRecord() {
    return std::calloc(1, sizeof(PluginHandle));
}
void FreeHandleRecord(void* record) {
    std::free(record);
}
void* NewHandleBlock(size_t size) {
    if (size > (size_t{1} << 30)) return nullptr;
    auto* head = static_cast<BlockHead*>(std::calloc(1, sizeof(BlockHead) + size));
    if (!head) return nullptr;
    head->size = size;
    return head + 1;
}
size_t HandleBlockSize(void* block) {
    return HeadOf(block)->size;
}
void* ResizeHandleBlock(void* block, size_t size) {
    if (size > (size_t{1} << 30)) return nullptr;
    BlockHead* old = HeadOf(block);
    const size_t old_size = old->size;
    auto* head = static_cast<BlockHead*>(std::realloc(old, sizeof(BlockHead) + size));
    if (!head) return nullptr;
    if (size > old_size)
        std::memset(reinterpret_cast<char*>(head + 1) + old_size, 0, size - old_size);
    head->size = size;
    return head + 1;
}
void FreeHandleBlock(void* block) {
    std::free(HeadOf(block));
}
void SetPluginMemoryStatus(int status) {
    g_status = status;
}
int PluginMemoryStatus() {
    return g_status;
}
