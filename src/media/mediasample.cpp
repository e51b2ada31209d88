#include "media/mediasample.h"

#include <algorithm>

bool MediaSample::SetActualLength(size_t length)
{
    if (length > buffer_.size())
        return false;
    length_ = length;
    return true;
}

void MediaSample::Reserve(size_t capacity)
{
    if (capacity > buffer_.size())
        buffer_.resize(capacity);
}

void MediaSample::CopyPropertiesFrom(const MediaSample &other)
{
    time_ = other.time_;
    mediaTimes_ = other.mediaTimes_;
    syncPoint_ = other.syncPoint_;
    discontinuity_ = other.discontinuity_;
    preroll_ = other.preroll_;
    typeChange_ = other.typeChange_;
}

void MediaSample::CopyFrom(const MediaSample &other)
{
    Reserve(other.length_);
    std::copy_n(other.buffer_.data(), other.length_, buffer_.data());
    length_ = other.length_;
    CopyPropertiesFrom(other);
    source_ = other.source_;
}

void MediaSample::ResetProperties()
{
    length_ = 0;
    time_.reset();
    mediaTimes_.reset();
    syncPoint_ = false;
    discontinuity_ = false;
    preroll_ = false;
    typeChange_.reset();
    source_.reset();
}
