// A thousand queries hold no more memory than one: each query replaces the
// page text it keeps, and nothing else outlives it. Live bytes are counted by
// this program's own operator new and delete, which every std::string of the
// query goes through.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <new>
#include <string>

#include "core/query.h"
#include "tests/support/page_server.h"

namespace {

std::atomic<long long> liveBytes{0};

// The size travels in front of each block so that delete knows what it frees.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* Allocate(std::size_t size) {
    void* block = std::malloc(size + kHeader);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    *static_cast<std::size_t*>(block) = size;
    liveBytes += static_cast<long long>(size);
    return static_cast<char*>(block) + kHeader;
}

void Release(void* pointer) noexcept {
    if (pointer == nullptr) {
        return;
    }
    void* block = static_cast<char*>(pointer) - kHeader;
    liveBytes -= static_cast<long long>(*static_cast<std::size_t*>(block));
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* pointer) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer) noexcept {
    Release(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
    Release(pointer);
}

namespace norvique {

namespace {

std::map<Control, Text> boxes;
int messageCount = 0;

}  // namespace

Text ReadControlText(Control box) {
    return boxes[box];
}

void WriteControlText(Control box, const Text& text) {
    boxes[box] = text;
}

void ShowMessage(const Text&) {
    ++messageCount;
}

namespace {

TEST(QueryMemoryTest, AThousandQueriesKeepOnlyTheLastPage) {
    const test::PageServer server = test::PageServer::FromEnvironment();
    const std::string found = server.Http("/ends/1368346611");
    const std::string missing = server.Http("/missing");
    // The boxes' map nodes exist before the first count.
    boxes[Control::编辑框1] = found;
    boxes[Control::编辑框2] = Text();

    OnQueryClicked();
    ASSERT_FALSE(lastPageText.empty());
    const long long afterOne = liveBytes;

    for (int i = 1; i < 999; ++i) {
        boxes[Control::编辑框1] = i % 2 == 0 ? found : missing;
        OnQueryClicked();
    }
    // The last query reads the first page again, so the same text is kept.
    boxes[Control::编辑框1] = found;
    OnQueryClicked();
    EXPECT_EQ(liveBytes, afterOne);
    EXPECT_EQ(messageCount, 499);
}

}  // namespace
}  // namespace norvique
