#pragma once

// Where the version reader gets a file's version block from: one interface
// shaped like the platform's three version functions. Windows uses the real
// functions; elsewhere the portable reader takes their place; tests can give
// blocks from memory.

#include <memory>
#include <string>

#include "VersionBlock.h"

namespace version {

class VersionSource {
  public:
    virtual ~VersionSource() = default;
    // Size query and read in one: false when the file has no version block
    // or cannot be read. Replaces the block held before.
    virtual bool Load(const std::string& fileName) = 0;
    // Query of "\": false when the block has no complete fixed part.
    virtual bool QueryFixed(FixedFileInfo& info) const = 0;
    // Query of a text entry; the text ends at its first zero.
    virtual bool QueryText(const std::string& subBlock, std::string& text) const = 0;
};

// Serves blocks held in memory; queries are answered by the portable reader.
class BlockVersionSource : public VersionSource {
  public:
    bool Load(const std::string& fileName) override;
    bool QueryFixed(FixedFileInfo& info) const override;
    bool QueryText(const std::string& subBlock, std::string& text) const override;

    const VersionBlock& Block() const { return block_; }

  protected:
    // The named file's block, or nothing.
    virtual std::optional<VersionBlock> Fetch(const std::string& fileName) = 0;

  private:
    VersionBlock block_;
    bool loaded_ = false;
};

// Reads the version resource straight out of a PE file.
class PortableVersionSource : public BlockVersionSource {
  public:
    static std::optional<VersionBlock> ReadFile(const std::string& fileName);

  protected:
    std::optional<VersionBlock> Fetch(const std::string& fileName) override {
        return ReadFile(fileName);
    }
};

// The platform's own functions on Windows, the portable reader elsewhere.
std::unique_ptr<VersionSource> MakePlatformVersionSource();

}  // namespace version
