#include "media/cdm.h"

#include "media/avimux.h"
#include "media/avisplitter.h"
#include "media/dv_deinter.h"
#include "media/dv_dvheaderfilter.h"
#include "media/dv_mediastamper.h"
#include "media/dv_scenedetectfilter.h"
#include "media/dv_superposer.h"
#include "media/dv_wavedest.h"
#include "media/dvdecoder.h"
#include "media/dvencoderfilter.h"
#include "media/dvmuxer.h"
#include "media/dvsplitter.h"
#include "media/filesource.h"
#include "media/filewriter.h"
#include "media/frameratechanger.h"
#include "media/infinitepintee.h"
#include "media/mediaformats.h"
#include "media/muxfilter.h"
#include "media/nullrenderer.h"
#include "media/pictureconverters.h"
#include "media/scenedetectcontenu.h"
#include "media/soundconverter.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

// The first output (from index `from` of the outputs) that connects to the input.
OutputPin *FirstConnecting(FilterGraph &graph, const std::vector<OutputPin *> &outputs, InputPin &input,
                           size_t from = 0, const std::optional<MediaType> &partial = std::nullopt)
{
    for (size_t i = from; i < outputs.size(); ++i)
        if (!outputs[i]->IsConnected() && graph.Connect(*outputs[i], input, partial))
            return outputs[i];
    return nullptr;
}

// The AVI splitter lists its outputs first, its input last.
size_t PinCount(const Filter &filter)
{
    return filter.Pins().size();
}

constexpr std::array<int, 3> kDvRates = {32000, 44100, 48000};

}  // namespace

TCdm::TCdm(QObject *parent)
    : QObject(parent),
      source_(std::make_unique<FileSourceFilter>()),
      sceneDetect_(std::make_unique<Tdv_sceneDetect>()),
      superposer_(std::make_unique<Tdv_Superposer>(sceneDetect_->Core())),
      dvHeader_(std::make_unique<Tdv_DVheader>(sceneDetect_->Core())),
      deinter_(std::make_unique<Tdv_deinter>()),
      frameRate_(std::make_unique<FrameRateChanger>()),
      waveDest_(std::make_unique<Tdv_WaveDest>()),
      mediaStamper_(std::make_unique<Tdv_MediaStamper>())
{
    sceneDetectContenu_ = std::make_unique<TSceneDetectContenu>(*mediaStamper_);
    ResetGraph();
}

TCdm::~TCdm()
{
    fg_->Stop();
    fg_->RemoveAllFilters();
}

template <typename T>
T &TCdm::Attach(std::unique_ptr<T> &slot, const char *name)
{
    slot = std::make_unique<T>();
    fg_->AddFilter(*slot, QString::fromLatin1(name));
    return *slot;
}

void TCdm::Add(Filter &filter, const char *name)
{
    fg_->AddFilter(filter, QString::fromLatin1(name));
}

void TCdm::ResetGraph()
{
    if (fg_) {
        fg_->Stop();
        fg_->RemoveAllFilters();
    }
    fg_ = std::make_unique<FilterGraph>();
    // A build on the command worker, which runs no event loop: the graph's completion
    // is delivered where this module lives, so that GraphEnded reaches the engine.
    fg_->moveToThread(thread());
    fg_->SetSyncSource(nullptr);
    fg_->AddConverterFactory(MakePictureConverter);
    connect(fg_.get(), &FilterGraph::Completed, this, &TCdm::GraphEnded);
    dvsplitter_.reset();
    avisplitter_.reset();
    dvmuxer_.reset();
    avimux_.reset();
    acm1_.reset();
    acm2_.reset();
    dvDecoder_.reset();
    dvEnc_.reset();
    infinite_.reset();
    nullrender_.reset();
    destination_.reset();
    sceneDetect_->SetSceneCallback({});
    sceneDetect_->SetSubtitleCallback({});
    sceneDetect_->SetEndCallback({});
    dvHeader_->Reset();
    fg_->AddFilter(*source_, QStringLiteral("source"));
}

bool TCdm::LoadAndSplit(const QString &source)
{
    Attach(avisplitter_, "avisplitter");
    return source_->Load(source).ok && fg_->Connect(source_->Output(), avisplitter_->Input());
}

bool TCdm::BeginDv(const QString &source, const QString &destination)
{
    currentDestination_ = destination;
    FileWriter &writer = Attach(destination_, "destination");
    writer.SetFileName(destination);
    writer.SetMode(true);
    return LoadAndSplit(source);
}

MediaSeeking *TCdm::Built(Filter &positionOf)
{
    return fg_->PositionOf(positionOf);
}

MediaSeeking *TCdm::WrittenBy(AviMux &mux)
{
    return fg_->Connect(mux.Output(), destination_->Input()) ? Built(mux) : nullptr;
}

MediaSeeking *TCdm::GraphScnByDate(const QString &source)
{
    ResetGraph();
    Add(*sceneDetect_, "scenedetect");
    Attach(nullrender_, "nullrender");
    if (!LoadAndSplit(source))
        return nullptr;
    const std::vector<OutputPin *> outputs = avisplitter_->OutputPins();
    if (!FirstConnecting(*fg_, outputs, sceneDetect_->Input())) {
        // The stream still runs to its end, so the command finishes normally.
        if (outputs.size() > 1)
            fg_->Connect(*outputs[1], nullrender_->Input());
        return nullptr;
    }
    if (!fg_->Connect(sceneDetect_->Output(), nullrender_->Input()))
        return nullptr;
    return fg_.get();
}

MediaSeeking *TCdm::GraphSrt(const QString &source)
{
    ResetGraph();
    Add(*sceneDetect_, "scenedetect");
    Attach(nullrender_, "nullrender");
    if (!LoadAndSplit(source) || !FirstConnecting(*fg_, avisplitter_->OutputPins(), sceneDetect_->Input())
        || !fg_->Connect(sceneDetect_->Output(), nullrender_->Input()))
        return nullptr;
    return fg_.get();
}

MediaSeeking *TCdm::GraphScnByContenu(const QString &source)
{
    ResetGraph();
    Add(*sceneDetectContenu_, TSceneDetectContenu::kGraphName);
    Add(*mediaStamper_, Tdv_MediaStamper::kGraphName);
    Attach(nullrender_, "nullrender");
    if (!LoadAndSplit(source))
        return nullptr;
    // The time stamper sees the frames as they come from the file; the decoder the
    // stream needs goes between it and the detector. A DV decoder converts only the
    // pixels the detector samples.
    DvDecoder &dvDecoder = Attach(dvDecoder_, "DVdecoder");
    dvDecoder.SetSampledBytes(SampledPictureBytes{kContentSampleStep, kContentSamples});
    const auto decodeDv = [&] {
        if (!fg_->Connect(mediaStamper_->Output(), dvDecoder.Input()))
            return false;
        if (fg_->Connect(dvDecoder.Output(), sceneDetectContenu_->Input()))
            return true;
        fg_->Disconnect(dvDecoder.Input());
        return false;
    };
    const std::vector<OutputPin *> outputs = avisplitter_->OutputPins();
    bool rendered = false;
    for (OutputPin *output : outputs) {
        if (rendered || output->IsConnected() || !fg_->Connect(*output, mediaStamper_->Input()))
            continue;
        rendered = decodeDv() || fg_->ConnectIntelligent(mediaStamper_->Output(), sceneDetectContenu_->Input());
        if (!rendered)
            fg_->Disconnect(*output);
    }
    if (!dvDecoder.Input().IsConnected()) {
        fg_->RemoveFilter(dvDecoder);
        dvDecoder_.reset();
    }
    if (!rendered || !fg_->Connect(sceneDetectContenu_->Output(), nullrender_->Input()))
        return nullptr;
    return fg_.get();
}

MediaSeeking *TCdm::GraphConvertirDV1(const QString &source, const QString &destination)
{
    ResetGraph();
    if (!BeginDv(source, destination))
        return nullptr;
    DvMuxer &muxer = Attach(dvmuxer_, "dvmuxer");
    DvSplitter &splitter = Attach(dvsplitter_, "dvsplitter");
    AviMux &mux = Attach(avimux_, "avimux");
    Attach(acm1_, "acm1");
    Attach(acm2_, "acm2");
    if (PinCount(*avisplitter_) < 2)
        return nullptr;
    bool video = false;
    for (OutputPin *output : avisplitter_->OutputPins()) {
        if (video || output->IsConnected())
            continue;
        if (fg_->Connect(*output, muxer.FreeInput())) {
            video = true;
        } else if (fg_->Connect(*output, splitter.Input())) {
            video = true;
            fg_->Connect(*splitter.OutputPins().front(), muxer.FreeInput());
        }
    }
    SoundInto(muxer);
    if (!fg_->Connect(muxer.Output(), mux.FreeInput()) || !fg_->Connect(mux.Output(), destination_->Input()))
        return nullptr;
    return Built(mux);
}

void TCdm::SoundInto(MuxFilter &muxer)
{
    for (SoundConverter *converter : {acm1_.get(), acm2_.get()}) {
        if (!converter)
            continue;
        for (OutputPin *output : avisplitter_->OutputPins()) {
            if (output->IsConnected() || !fg_->Connect(*output, converter->Input()))
                continue;
            fg_->Connect(converter->Output(), muxer.FreeInput());
            break;
        }
    }
}

MediaSeeking *TCdm::GraphConvertirDV2(const QString &source, const QString &destination)
{
    ResetGraph();
    if (!BeginDv(source, destination))
        return nullptr;
    DvSplitter &splitter = Attach(dvsplitter_, "dvsplitter");
    AviMux &mux = Attach(avimux_, "avimux");
    Attach(acm1_, "acm1");
    Attach(acm2_, "acm2");
    const std::vector<OutputPin *> outputs = avisplitter_->OutputPins();
    if (outputs.empty() || !fg_->Connect(*outputs.front(), splitter.Input()))
        return nullptr;
    std::vector<SoundConverter *> converters = {acm1_.get(), acm2_.get()};
    for (OutputPin *output : splitter.OutputPins()) {
        if (!converters.empty() && fg_->Connect(*output, converters.front()->Input())) {
            fg_->Connect(converters.front()->Output(), mux.FreeInput());
            converters.erase(converters.begin());
        } else {
            fg_->Connect(*output, mux.FreeInput());
        }
    }
    return WrittenBy(mux);
}

MediaSeeking *TCdm::GraphRecompresserDV2(const QString &source, const QString &destination, int standardDv,
                                         bool wide, int frequence)
{
    ResetGraph();
    if (!BeginDv(source, destination))
        return nullptr;
    DvEncoderFilter &encoder = Attach(dvEnc_, "DVenc");
    encoder.SetFormatResolution(standardDv == 0 ? DvVideoFormat::Pal : DvVideoFormat::Ntsc);
    AviMux &mux = Attach(avimux_, "avimux");
    SoundConverter &acm1 = Attach(acm1_, "acm1");
    SoundConverter &acm2 = Attach(acm2_, "acm2");
    Add(*dvHeader_, Tdv_DVheader::kGraphName);
    const std::vector<OutputPin *> outputs = avisplitter_->OutputPins();
    const auto video = std::find_if(outputs.begin(), outputs.end(),
                                    [&](OutputPin *o) { return fg_->ConnectIntelligent(*o, encoder.Input()); });
    if (video == outputs.end())
        return nullptr;
    dvHeader_->SetAspect(true, wide);
    dvHeader_->SetRestoreHeaders(false);
    if (!fg_->Connect(encoder.Output(), dvHeader_->Input()) || !fg_->Connect(dvHeader_->Output(), mux.FreeInput()))
        return nullptr;
    const int rate = kDvRates[static_cast<size_t>(std::clamp(frequence, 0, 2))];
    for (SoundConverter *converter : {&acm1, &acm2}) {
        for (OutputPin *output : outputs) {
            if (output->IsConnected()
                || !fg_->ConnectIntelligent(*output, converter->Input(), MediaType::Partial(MajorType::Audio)))
                continue;
            SetConverterRate(*converter, rate);
            fg_->Connect(converter->Output(), mux.FreeInput());
            break;
        }
    }
    return WrittenBy(mux);
}

MediaSeeking *TCdm::GraphCorrigerType2(const QString &source, const QString &destination)
{
    ResetGraph();
    if (!BeginDv(source, destination))
        return nullptr;
    DvSplitter &splitter = Attach(dvsplitter_, "dvsplitter");
    AviMux &mux = Attach(avimux_, "avimux");
    const std::vector<OutputPin *> outputs = avisplitter_->OutputPins();
    for (OutputPin *output : outputs) {
        if (fg_->Connect(*output, mux.FreeInput(), MediaType::Partial(MajorType::Video))
            || fg_->Connect(*output, mux.FreeInput(), MediaType::Partial(MajorType::Audio)))
            continue;
        if (!splitter.Input().IsConnected()
            && fg_->Connect(*output, splitter.Input(), MediaType::Partial(MajorType::Interleaved)))
            fg_->Connect(*splitter.OutputPins().front(), mux.FreeInput());
    }
    return WrittenBy(mux);
}

bool TCdm::FeedSceneDetector(int type)
{
    const std::vector<OutputPin *> outputs = avisplitter_->OutputPins();
    if (type == 2)
        return PinCount(*avisplitter_) >= 2 && FirstConnecting(*fg_, outputs, sceneDetect_->Input());
    return FirstConnecting(*fg_, outputs, dvsplitter_->Input())
        && FirstConnecting(*fg_, dvsplitter_->OutputPins(), sceneDetect_->Input());
}

InputPin &TCdm::VideoTarget(int type) const
{
    return type == 2 ? avimux_->FreeInput() : dvmuxer_->FreeInput();
}

bool TCdm::DvTail(int type)
{
    // A type 2 file takes the new frames and the sound streams as they are; a type 1
    // file has the source's sound put back into its frames.
    if (type == 2) {
        SoundInto(*avimux_);
    } else {
        for (OutputPin *output : dvsplitter_->OutputPins())
            if (!output->IsConnected())
                fg_->Connect(*output, dvmuxer_->FreeInput());
        if (!fg_->Connect(dvmuxer_->Output(), avimux_->FreeInput()))
            return false;
    }
    return fg_->Connect(avimux_->Output(), destination_->Input());
}

MediaSeeking *TCdm::GraphStandard(const QString &source, const QString &destination, int type, bool ntsc)
{
    ResetGraph();
    if (!BeginDv(source, destination))
        return nullptr;
    DvEncoderFilter &encoder = Attach(dvEnc_, "DVenc");
    encoder.SetFormatResolution(ntsc ? DvVideoFormat::Ntsc : DvVideoFormat::Pal);
    DvDecoder &decoder = Attach(dvDecoder_, "DVdecoder");
    // Each new frame carries the frame it comes from, whose metadata it takes, so
    // the decoder may work ahead.
    decoder.SetKeepsSourceFrames(true);
    decoder.SetDecodesAhead(true);
    // The deinterlacer reads the pictures and the encoder takes the rest from the planes.
    decoder.SetConvertsCombRowsOnly(true);
    Attach(dvmuxer_, "dvmuxer");
    Attach(dvsplitter_, "dvsplitter");
    Attach(avimux_, "avimux");
    Attach(acm1_, "acm1");
    Attach(acm2_, "acm2");
    Add(*deinter_, Tdv_deinter::kGraphName);
    Add(*frameRate_, FrameRateChanger::kGraphName);
    frameRate_->SetTargetRate(ntsc ? kFrameRate525 : kFrameRate625);
    Add(*sceneDetect_, "dv_SceneDetect");
    Add(*dvHeader_, Tdv_DVheader::kGraphName);
    // Each source picture is scaled and encoded once; the frame rate changes after.
    encoder.SetKeepsFrameTime(true);
    if (!FeedSceneDetector(type) || !fg_->Connect(sceneDetect_->Output(), decoder.Input())
        || !fg_->Connect(decoder.Output(), deinter_->Input()) || !fg_->Connect(deinter_->Output(), encoder.Input())
        || !fg_->Connect(encoder.Output(), frameRate_->Input())
        || !fg_->Connect(frameRate_->Output(), dvHeader_->Input())
        || !fg_->Connect(dvHeader_->Output(), VideoTarget(type)) || !DvTail(type))
        return nullptr;
    return Built(*avimux_);
}

MediaSeeking *TCdm::GraphIncruster(const QString &source, const QString &destination, int type, uint8_t system)
{
    ResetGraph();
    if (!BeginDv(source, destination))
        return nullptr;
    DvEncoderFilter &encoder = Attach(dvEnc_, "DVenc");
    encoder.SetFormatResolution(system == 0 ? DvVideoFormat::Pal : DvVideoFormat::Ntsc);
    DvDecoder &decoder = Attach(dvDecoder_, "DVdecoder");
    // Only the segments under the date are decoded and encoded anew; the rest is
    // copied. The overlay finds each frame's date by the frame, so the decoder may
    // work ahead; the still of a conversion is never shown.
    decoder.SetKeepsSourceFrames(true);
    decoder.SetDecodesAhead(true);
    decoder.SetUsedArea(&superposer_->UsedArea());
    superposer_->SetKeepsStill(false);
    Attach(dvmuxer_, "dvmuxer");
    Attach(dvsplitter_, "dvsplitter");
    Attach(avimux_, "avimux");
    Attach(acm1_, "acm1");
    Attach(acm2_, "acm2");
    Add(*superposer_, Tdv_Superposer::kConversionGraphName);
    Add(*sceneDetect_, "dv_SceneDetect");
    Add(*dvHeader_, Tdv_DVheader::kGraphName);
    if (!FeedSceneDetector(type) || !fg_->Connect(sceneDetect_->Output(), decoder.Input())
        || !fg_->Connect(decoder.Output(), superposer_->Input())
        || !fg_->Connect(superposer_->Output(), encoder.Input()) || !fg_->Connect(encoder.Output(), dvHeader_->Input())
        || !fg_->Connect(dvHeader_->Output(), VideoTarget(type)) || !DvTail(type))
        return nullptr;
    return Built(*avimux_);
}

MediaSeeking *TCdm::GraphHeader(const QString &source, const QString &destination)
{
    ResetGraph();
    if (!BeginDv(source, destination))
        return nullptr;
    AviMux &mux = Attach(avimux_, "avimux");
    SoundConverter &acm1 = Attach(acm1_, "acm1");
    SoundConverter &acm2 = Attach(acm2_, "acm2");
    Add(*dvHeader_, Tdv_DVheader::kGraphName);
    const std::vector<OutputPin *> outputs = avisplitter_->OutputPins();
    if (PinCount(*avisplitter_) < 2 || !FirstConnecting(*fg_, outputs, dvHeader_->Input())
        || !fg_->Connect(dvHeader_->Output(), mux.FreeInput()))
        return nullptr;
    if (PinCount(*avisplitter_) > 2) {
        if (FirstConnecting(*fg_, outputs, acm1.Input(), 1))
            fg_->Connect(acm1.Output(), mux.FreeInput());
        if (FirstConnecting(*fg_, outputs, acm2.Input(), 1))
            fg_->Connect(acm2.Output(), mux.FreeInput());
    }
    return WrittenBy(mux);
}

MediaSeeking *TCdm::GraphExtraireAudio(const QString &source, const QString &destination)
{
    ResetGraph();
    if (!BeginDv(source, destination))
        return nullptr;
    DvSplitter &splitter = Attach(dvsplitter_, "dvsplitter");
    SoundConverter &acm1 = Attach(acm1_, "acm1");
    InfinitePinTee &tee = Attach(infinite_, "infinite");
    NullRenderer &renderer = Attach(nullrender_, "nullrender");
    Add(*waveDest_, Tdv_WaveDest::kGraphName);
    OutputPin *video = nullptr;
    OutputPin *sound = nullptr;
    bool interleaved = false;
    // The type an output delivers is the one it connects with to a renderer that takes any.
    const auto probe = [&](OutputPin *output) {
        if (!fg_->Connect(*output, renderer.Input()))
            return MajorType::Any;
        const MajorType major = output->ConnectionMediaType().majorType;
        fg_->Disconnect(*output);
        return major;
    };
    const auto classify = [&](const std::vector<OutputPin *> &outputs, auto &self) -> void {
        for (OutputPin *output : outputs) {
            const MajorType major = probe(output);
            if (major == MajorType::Video && !video)
                video = output;
            else if (major == MajorType::Audio && !sound)
                sound = output;
            else if (major == MajorType::Interleaved && !interleaved && fg_->Connect(*output, splitter.Input())) {
                interleaved = true;
                self(splitter.OutputPins(), self);
            }
        }
    };
    classify(avisplitter_->OutputPins(), classify);
    if (!sound)
        return nullptr;
    if (video) {
        fg_->Connect(*video, renderer.Input());
        if (!fg_->Connect(*sound, acm1.Input()) || !fg_->Connect(acm1.Output(), waveDest_->Input())) {
            fg_->Disconnect(*sound);
            fg_->Connect(*sound, waveDest_->Input());
        }
    } else if (fg_->Connect(*sound, tee.Input())) {
        fg_->Connect(*tee.OutputPins().front(), waveDest_->Input());
        fg_->Connect(*tee.OutputPins().back(), renderer.Input());
    }
    if (!waveDest_->Input().IsConnected() || !fg_->Connect(waveDest_->Output(), destination_->Input()))
        return nullptr;
    return fg_.get();
}

MediaSeeking *TCdm::GraphCutScenes(const QString &source, const QString &destination, int type)
{
    ResetGraph();
    if (!BeginDv(source, destination))
        return nullptr;
    AviMux &mux = Attach(avimux_, "avimux");
    InfinitePinTee &tee = Attach(infinite_, "infinite");
    NullRenderer &renderer = Attach(nullrender_, "nullrender");
    const std::vector<OutputPin *> outputs = avisplitter_->OutputPins();
    if (outputs.empty())
        return nullptr;
    // The video runs through a tee whose second branch feeds the null renderer, whose
    // position is the command's progress.
    if (PinCount(*avisplitter_) < 2 || !fg_->Connect(*outputs.front(), tee.Input())
        || !fg_->Connect(*tee.OutputPins().front(), mux.FreeInput()))
        return nullptr;
    if (type == 2)
        for (size_t i = 1; i < outputs.size(); ++i)
            fg_->Connect(*outputs[i], mux.FreeInput());
    if (!fg_->Connect(*tee.OutputPins().back(), renderer.Input()) || !fg_->Connect(mux.Output(), destination_->Input()))
        return nullptr;
    return Built(renderer);
}

bool TCdm::SetConverterRate(SoundConverter &converter, int rate)
{
    if (rate <= 0 || !converter.Input().IsConnected())
        return false;
    std::optional<WaveFormatEx> format = ParseWaveFormatEx(converter.Input().ConnectionMediaType().FormatBytes());
    if (!format)
        return false;
    format->samplesPerSec = static_cast<uint32_t>(rate);
    format->avgBytesPerSec = format->channels * format->samplesPerSec * (format->bitsPerSample / 8u);
    return converter.SetFormat(*format);
}

bool TCdm::SetSoundRate(const QString &audioText, bool firstOnly)
{
    bool ok = false;
    const int rate = audioText.left(5).trimmed().toInt(&ok);
    if (!ok || rate <= 0)
        return false;
    bool set = acm1_ && SetConverterRate(*acm1_, rate);
    if (!firstOnly && acm2_ && acm2_->Input().IsConnected())
        set = SetConverterRate(*acm2_, rate) && set;
    return set;
}
