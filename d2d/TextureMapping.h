#pragma once

#include <d3d10.h>

#include <cstdint>

// One Map of subresource 0 of a texture, unmapped when the owner goes (also when the code
// between throws).
class TextureMapping {
public:
    TextureMapping() = default;
    ~TextureMapping() { unmap(); }
    TextureMapping(const TextureMapping&) = delete;
    TextureMapping& operator=(const TextureMapping&) = delete;

    // False when Map fails; nothing is mapped then.
    bool map(ID3D10Texture2D* texture, D3D10_MAP mapType) {
        unmap();
        D3D10_MAPPED_TEXTURE2D mapped = {};
        if (texture->Map(0, mapType, 0, &mapped) != S_OK) {
            return false;
        }
        texture_ = texture;
        data_ = mapped.pData;
        rowPitch_ = mapped.RowPitch;
        return true;
    }

    void* data() const { return data_; }
    uint32_t rowPitch() const { return rowPitch_; }

    void unmap() {
        if (texture_) {
            texture_->Unmap(0);
            texture_ = nullptr;
            data_ = nullptr;
        }
    }

private:
    ID3D10Texture2D* texture_ = nullptr;
    void* data_ = nullptr;
    uint32_t rowPitch_ = 0;
};
