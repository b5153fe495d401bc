// A loaded image of one format. Every reader is a Graphic (through Bitmap);
// each class carries a small descriptor so the registry can create an
// instance of it and tell whether a class derives from another.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>

namespace pelmora {

class Graphic;
class Stream;

struct GraphicClass {
    const char* name;
    const GraphicClass* base; // nullptr for Graphic itself
    std::unique_ptr<Graphic> (*create)();

    bool InheritsFrom(const GraphicClass& other) const
    {
        for (const GraphicClass* c = this; c; c = c->base)
            if (c == &other)
                return true;
        return false;
    }
};

// The size a picture is read for: "at least width x height". A reader that
// can decode a reduced picture cheaply (JPEG by its DCT scaling) makes it
// only as small as still reaches `width` or `height`, so the picture fitted
// into width x height loses nothing. A side of 0 or less reads full size.
struct DecodeSize {
    int width = 0, height = 0;
};

// The largest of `divisors` by which a width x height picture, each side
// divided and rounded up, still reaches `wanted`; 1 when none does.
int LargestReduction(int width, int height, DecodeSize wanted, std::initializer_list<int> divisors);

// The descriptor of a concrete class T deriving from the class `base` describes.
template <class T> GraphicClass DescribeGraphicClass(const char* name, const GraphicClass& base)
{
    return {name, &base, []() -> std::unique_ptr<Graphic> { return std::make_unique<T>(); }};
}

class Graphic {
public:
    virtual ~Graphic() = default;

    static const GraphicClass& StaticClass();
    virtual const GraphicClass& Class() const = 0;
    bool Is(const GraphicClass& c) const { return Class().InheritsFrom(c); }

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
    virtual bool IsEmpty() const { return Width() == 0 || Height() == 0; }

    // Copies the image of `source` into this graphic. The default asks the
    // source to assign itself to us and fails when it cannot.
    virtual void Assign(const Graphic& source);
    // Copies this graphic into `target`; false when the two do not convert.
    virtual bool AssignTo(Graphic& target) const;

    // Opens the file for reading and calls LoadFromStream; the file is closed whatever happens.
    virtual void LoadFromFile(const std::string& path);
    virtual void SaveToFile(const std::string& path) const;
    virtual void LoadFromStream(Stream& stream) = 0;
    virtual void SaveToStream(Stream& stream) const = 0;

    // The one reading option; readers that cannot reduce read full size.
    void SetDecodeSize(DecodeSize size) { decodeSize_ = size; }
    DecodeSize GetDecodeSize() const { return decodeSize_; }
    // The picture's size as the file holds it, which a reduced read (or a
    // bitmap decoded reduced from another graphic) is smaller than; the
    // graphic's own size otherwise.
    int FullWidth() const { return fullWidth_ > 0 ? fullWidth_ : Width(); }
    int FullHeight() const { return fullHeight_ > 0 ? fullHeight_ : Height(); }
    // Set by whatever reads or decodes reduced, after it has sized the graphic.
    void SetFullSize(int width, int height)
    {
        fullWidth_ = width;
        fullHeight_ = height;
    }

protected:
    // Images are copied through Assign; derived values may move.
    Graphic() = default;
    Graphic(const Graphic&) = default;
    Graphic(Graphic&&) = default;
    Graphic& operator=(const Graphic&) = default;
    Graphic& operator=(Graphic&&) = default;

private:
    DecodeSize decodeSize_;
    int fullWidth_ = 0, fullHeight_ = 0;
};

// The boilerplate of a registered graphic class: its descriptor (named by
// Derived::kClassName, deriving from Base's), and Assign, which copies a
// source of the same class through Derived's CopyFrom where it has one and
// hands every other source to Base.
template <class Derived, class Base> class RegisteredGraphic : public Base {
public:
    using Base::Base;

    static const GraphicClass& StaticClass()
    {
        static const GraphicClass c = DescribeGraphicClass<Derived>(Derived::kClassName, Base::StaticClass());
        return c;
    }
    const GraphicClass& Class() const override { return StaticClass(); }

    void Assign(const Graphic& source) override
    {
        if (&source == this)
            return;
        if constexpr (requires(Derived& to, const Derived& from) { to.CopyFrom(from); }) {
            if (source.Is(StaticClass())) {
                static_cast<Derived&>(*this).CopyFrom(static_cast<const Derived&>(source));
                return;
            }
        }
        Base::Assign(source);
    }
};

} // namespace pelmora
