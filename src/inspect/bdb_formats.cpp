// The general headers and the view or representation headers of the
// finger minutiae, finger image, face and iris records, as their editions
// lay them out. Integers are big-endian and unsigned. Payloads (minutiae,
// images, landmarks, extended data) are measured, never read.
#include <cstdio>
#include <string>

#include "inspect/bdb_reader.h"

namespace BioAPI_Data {
namespace inspect {
namespace detail {
namespace {

std::string Hex4(std::uint64_t v, std::size_t = 0) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(v));
  return text;
}

std::string Named(std::uint64_t v, const char* const* names,
                  std::size_t count) {
  std::string text = std::to_string(v);
  if (v < count && names[v] != nullptr)
    text += std::string(" (") + names[v] + ")";
  return text;
}

template <std::size_t N>
std::string Named(std::uint64_t v, const char* const (&names)[N]) {
  return Named(v, names, N);
}

std::string FingerPosition(std::uint64_t v, std::size_t = 0) {
  static const char* const kNames[] = {
      "unknown",     "right thumb",  "right index", "right middle",
      "right ring",  "right little", "left thumb",  "left index",
      "left middle", "left ring",    "left little"};
  return Named(v, kNames);
}

const char* const kImpressions[] = {"live-scan plain",
                                    "live-scan rolled",
                                    "non-live plain",
                                    "non-live rolled",
                                    nullptr,
                                    nullptr,
                                    nullptr,
                                    nullptr,
                                    "swipe"};

std::string Impression(std::uint64_t v, std::size_t = 0) {
  return Named(v, kImpressions);
}

// A view 2004/2005: the view number in the high nibble, the impression in
// the low one; the number is the impression.
std::string ViewAndImpression(std::uint64_t v, std::size_t = 0) {
  return "view " + std::to_string(v >> 4) + ", impression " +
         Named(v & 0xF, kImpressions);
}

std::string Pixels(std::uint64_t v, std::size_t = 0) {
  return std::to_string(v) + " px";
}

std::string PerCm(std::uint64_t v, std::size_t = 0) {
  return std::to_string(v) + " px/cm";
}

std::string Bytes(std::uint64_t v, std::size_t = 0) {
  return std::to_string(v) + (v == 1 ? " byte" : " bytes");
}

// Owner and type in one 32-bit field.
std::string OwnerType(std::uint64_t v, std::size_t = 0) {
  return Hex4(v >> 16) + "/" + Hex4(v & 0xFFFF);
}

// Compliance in bits 15-12 (bit 15: certified), the device in 11-0.
std::string CaptureEquipment(std::uint64_t v, std::size_t = 0) {
  return "compliance " + Hex4(v >> 12).substr(5) + ", device " +
         Hex4(v & 0xFFF);
}

std::string HexNumber(std::uint64_t v, std::size_t = 0) { return Hex4(v); }

std::string Compression2005(std::uint64_t v, std::size_t = 0) {
  static const char* const kNames[] = {"raw",  "bit-packed", "WSQ",
                                       "JPEG", "JPEG 2000",  "PNG"};
  return Named(v, kNames);
}

std::string Compression2011(std::uint64_t v, std::size_t = 0) {
  static const char* const kNames[] = {
      "raw",  "bit-packed",      "WSQ",
      "JPEG", "JPEG 2000 lossy", "JPEG 2000 lossless",
      "PNG"};
  return Named(v, kNames);
}

std::string ScaleUnits(std::uint64_t v, std::size_t = 0) {
  static const char* const kNames[] = {nullptr, "pixels per inch",
                                       "pixels per cm"};
  return Named(v, kNames);
}

std::string FaceImageType(std::uint64_t v, std::size_t = 0) {
  static const char* const kNames[] = {"basic", "full frontal", "token frontal",
                                       "post-processed"};
  return Named(v, kNames);
}

std::string FaceDataType2005(std::uint64_t v, std::size_t = 0) {
  static const char* const kNames[] = {"JPEG", "JPEG 2000"};
  return Named(v, kNames);
}

std::string FaceDataType2011(std::uint64_t v, std::size_t = 0) {
  static const char* const kNames[] = {"JPEG", "JPEG 2000 lossy",
                                       "JPEG 2000 lossless", "PNG"};
  return Named(v, kNames);
}

std::string Gender(std::uint64_t v, std::size_t = 0) {
  static const char* const kNames[] = {"unspecified", "male", "female"};
  return v == 0xFF ? "255 (unknown)" : Named(v, kNames);
}

std::string EyePosition(std::uint64_t v, std::size_t = 0) {
  static const char* const kNames[] = {"undefined", "right", "left"};
  return Named(v, kNames);
}

// 2005: mono 2 raw, 6 JPEG, 0x0A JPEG-LS, 0x0E JPEG 2000; RGB is +2.
std::string IrisFormat2005(std::uint64_t v, std::size_t = 0) {
  static const char* const kNames[] = {
      nullptr,        nullptr, "mono raw",       nullptr,
      "RGB raw",      nullptr, "mono JPEG",      nullptr,
      "RGB JPEG",     nullptr, "mono JPEG-LS",   nullptr,
      "RGB JPEG-LS",  nullptr, "mono JPEG 2000", nullptr,
      "RGB JPEG 2000"};
  return Named(v, kNames);
}

// 2011: mono 2 raw, 6 JPEG, 0x0A JPEG 2000, 0x0E PNG; RGB is +2.
std::string IrisFormat2011(std::uint64_t v, std::size_t = 0) {
  static const char* const kNames[] = {
      nullptr,         nullptr, "mono raw", nullptr, "RGB raw",        nullptr,
      "mono JPEG",     nullptr, "RGB JPEG", nullptr, "mono JPEG 2000", nullptr,
      "RGB JPEG 2000", nullptr, "mono PNG", nullptr, "RGB PNG"};
  return Named(v, kNames);
}

// Text bytes, such as a device's serial number: printable ones as they are.
std::string Printable(const BdbReader& r, std::size_t at, std::size_t width) {
  std::string text;
  for (std::size_t i = 0; i < width && r.Has(at + i, 1); ++i) {
    const unsigned char c = r.Data()[at + i];
    if (c == 0) break;
    text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '.';
  }
  return "\"" + text + "\"";
}

// The first eight bytes: the format identifier and its version.
void Identifier(BdbReader& r, BdbFormat format) {
  r.Require(8, "Format");
  r.Fixed("Format", 8, BdbFormatName(format));
}

// Words for a payload: its number is its count of items.
std::string Minutiae(std::uint64_t n, std::size_t length) {
  return std::to_string(n) + " minutiae, " + Bytes(length);
}
std::string Landmarks(std::uint64_t n, std::size_t length) {
  return std::to_string(n) + " landmarks, " + Bytes(length);
}
std::string Certificates(std::uint64_t n, std::size_t length) {
  return std::to_string(n) + " certificates, " + Bytes(length);
}

// A payload of `count` items of `each` bytes, checked to be there.
void Items(BdbReader& r, const char* name, std::uint64_t count,
           std::size_t each, Describe describe) {
  const std::uint64_t total = count * each;
  if (total > r.Remaining()) throw Truncated{r.Pos(), total, name};
  r.Payload(name, static_cast<std::size_t>(total), count, describe);
}

void ExtendedData(BdbReader& r) {
  const std::uint64_t length = r.Number("ExtendedDataLength", 2, Bytes);
  if (length > 0) {
    if (length > r.Remaining()) {
      throw Truncated{r.Pos(), length, "ExtendedData"};
    }
    r.Payload("ExtendedData", static_cast<std::size_t>(length), length, Bytes);
  }
}

// The common start of a 2011 representation: its length, the capture
// date-time, the device, the quality blocks and, with the certification
// flag, the certificates. Returns the representation's length.
std::uint64_t RepresentationPrefix(BdbReader& r, bool certified) {
  const std::uint64_t length = r.Number("RepresentationLength", 4, Bytes);
  {
    const std::size_t at = r.Pos();
    const std::uint64_t year = r.Load(at, 2, "CaptureDateTime");
    std::string text;
    if (year == 0xFFFF) {
      text = "absent";
    } else {
      char t[48];
      std::snprintf(t, sizeof t, "%04u-%02u-%02u %02u:%02u:%02u",
                    static_cast<unsigned>(year),
                    static_cast<unsigned>(r.Load(at + 2, 1, "month")),
                    static_cast<unsigned>(r.Load(at + 3, 1, "day")),
                    static_cast<unsigned>(r.Load(at + 4, 1, "hour")),
                    static_cast<unsigned>(r.Load(at + 5, 1, "minute")),
                    static_cast<unsigned>(r.Load(at + 6, 1, "second")));
      text = t;
    }
    r.Require(9, "CaptureDateTime");
    r.Text("CaptureDateTime", 9, text);
  }
  r.Number("DeviceTechnology", 1);
  r.Number("DeviceVendor", 2, HexNumber);
  r.Number("DeviceType", 2, HexNumber);
  const std::uint64_t qualities = r.Number("QualityBlockCount", 1);
  for (std::uint64_t i = 0; i < qualities; ++i) {
    const std::size_t at = r.Pos();
    const std::uint64_t score = r.Load(at, 1, "Quality");
    const std::uint64_t algorithm = r.Load(at + 1, 4, "Quality");
    r.Text("Quality", 5,
           std::to_string(score) + ", algorithm " + OwnerType(algorithm),
           static_cast<int>(i + 1));
  }
  if (certified) {
    const std::uint64_t count = r.Number("CertificateCount", 1);
    if (count > 0) Items(r, "Certificates", count, 3, Certificates);
  }
  return length;
}

// Reads representations of a 2011 record: each begins with the common
// prefix and is read by `body`; the next begins where its length says, or
// where its content ended when that is later.
template <class Body>
void Representations(BdbReader& r, std::uint64_t count, bool certified,
                     Body body) {
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::size_t begin = r.Pos();
    r.Open("Representations", "Representation", i + 1);
    const std::uint64_t length = RepresentationPrefix(r, certified);
    body(r);
    const std::size_t content_end = r.Pos();
    if (length != content_end - begin) {
      const std::uint64_t read = content_end - begin;
      r.Note(BdbNoteKind::kLength, begin,
             "representation " + std::to_string(i + 1) + " declares " +
                 Bytes(length) + "; its content ends " +
                 Bytes(read > length ? read - length : length - read) +
                 (read > length ? " later" : " sooner"));
    }
    if (length > content_end - begin) {
      if (length > r.Size() - begin) {
        throw Truncated{r.Pos(), length - (content_end - begin),
                        "Representation"};
      }
      r.Seek(begin + static_cast<std::size_t>(length), "Representation");
    }
    r.Close();
  }
}

// ---- Finger minutiae ----

// A view of ANSI 378-2004 and ISO 19794-2:2005.
// The image's size, then its resolution, as the finger records give them.
void ImageSizeAndResolution(BdbReader& r) {
  r.Number("ImageWidth", 2, Pixels);
  r.Number("ImageHeight", 2, Pixels);
  r.Number("XResolution", 2, PerCm);
  r.Number("YResolution", 2, PerCm);
}

void MinutiaeView2004(BdbReader& r) {
  r.Number("FingerPosition", 1, FingerPosition);
  r.Number("ViewAndImpression", 1, ViewAndImpression);
  r.Number("Quality", 1);
  const std::uint64_t n = r.Number("MinutiaeCount", 1);
  Items(r, "Minutiae", n, 6, Minutiae);
  ExtendedData(r);
}

// A view of ANSI 378-2009 and of its 2007 draft.
void MinutiaeView2009(BdbReader& r) {
  r.Number("FingerPosition", 1, FingerPosition);
  r.Number("ViewNumber", 1);
  r.Number("Impression", 1, Impression);
  r.Number("Quality", 1);
  r.Number("QualityAlgorithm", 4, OwnerType);
  ImageSizeAndResolution(r);
  const std::uint64_t n = r.Number("MinutiaeCount", 1);
  Items(r, "Minutiae", n, 6, Minutiae);
  ExtendedData(r);
}

template <class View>
void Views(BdbReader& r, std::uint64_t count, View view) {
  for (std::uint64_t i = 0; i < count; ++i) {
    r.Open("Views", "View", i + 1);
    view(r);
    r.Close();
  }
}

// The end of a finger minutiae record's general header, its view count and
// a reserved byte, then the views.
template <class View>
void CountedViews(BdbReader& r, View view) {
  const std::uint64_t views = r.Number("ViewCount", 1);
  r.Number("Reserved", 1);
  Views(r, views, view);
}

void MinutiaeRepresentation2011(BdbReader& r) {
  r.Number("FingerPosition", 1, FingerPosition);
  r.Number("RepresentationNumber", 1);
  r.Number("XResolution", 2, PerCm);
  r.Number("YResolution", 2, PerCm);
  r.Number("Impression", 1, Impression);
  r.Number("ImageWidth", 2, Pixels);
  r.Number("ImageHeight", 2, Pixels);
  const std::uint64_t field =
      r.Number("MinutiaFieldLength", 1, [](std::uint64_t v, std::size_t) {
        return Bytes(v >> 4) + " per minutia";
      });
  const std::uint64_t n = r.Number("MinutiaeCount", 1);
  const std::size_t each = (field >> 4) == 5 ? 5 : 6;
  Items(r, "Minutiae", n, each, Minutiae);
  ExtendedData(r);
}

// ---- Face ----

void Face2005(BdbReader& r, std::size_t begin, std::uint64_t length) {
  const std::uint64_t landmarks = r.Number("LandmarkCount", 2);
  r.Number("Gender", 1, Gender);
  r.Number("EyeColour", 1);
  r.Number("HairColour", 1);
  r.Number("FeatureMask", 3, [](std::uint64_t v, std::size_t) {
    char t[16];
    std::snprintf(t, sizeof t, "0x%06X", static_cast<unsigned>(v));
    return std::string(t);
  });
  r.Number("Expression", 2);
  r.Number("Pose", 3, [](std::uint64_t v, std::size_t) {
    return "yaw " + std::to_string(v >> 16) + ", pitch " +
           std::to_string((v >> 8) & 0xFF) + ", roll " +
           std::to_string(v & 0xFF);
  });
  r.Number("PoseUncertainty", 3, HexNumber);
  if (landmarks > 0) Items(r, "Landmarks", landmarks, 8, Landmarks);
  r.Number("ImageType", 1, FaceImageType);
  r.Number("ImageDataType", 1, FaceDataType2005);
  r.Number("Width", 2, Pixels);
  r.Number("Height", 2, Pixels);
  r.Number("ColourSpace", 1);
  r.Number("SourceType", 1);
  r.Number("DeviceType", 2, HexNumber);
  r.Number("Quality", 2);
  // The image runs to the end of the face's block.
  if (length < r.Pos() - begin) {
    r.Note(BdbNoteKind::kLength, begin,
           "face block declares " + Bytes(length) + ", fewer than its " +
               Bytes(r.Pos() - begin) + " of headers");
    return;
  }
  Items(r, "ImageData", length - (r.Pos() - begin), 1, Bytes);
}

void FaceRepresentation2011(BdbReader& r) {
  const std::uint64_t landmarks = r.Number("LandmarkCount", 2);
  r.Number("Gender", 1, Gender);
  r.Number("EyeColour", 1);
  r.Number("HairColour", 1);
  r.Number("SubjectHeight", 1);
  r.Number("PropertyMask", 3, HexNumber);
  r.Number("Expression", 2);
  r.Number("Pose", 3, HexNumber);
  r.Number("PoseUncertainty", 3, HexNumber);
  if (landmarks > 0) Items(r, "Landmarks", landmarks, 8, Landmarks);
  const std::uint64_t type = r.Number("ImageType", 1, FaceImageType);
  if (type >= 0x80) {
    r.Note(BdbNoteKind::kTruncated, r.Pos(),
           "a 3D face image block: the summary stops at its image type");
    return;
  }
  r.Number("ImageDataType", 1, FaceDataType2011);
  r.Number("Width", 2, Pixels);
  r.Number("Height", 2, Pixels);
  r.Number("SpatialSamplingLevel", 1);
  r.Number("PostAcquisitionProcessing", 2, HexNumber);
  r.Number("CrossReference", 1);
  r.Number("ColourSpace", 1);
  const std::uint64_t image = r.Number("ImageLength", 4, Bytes);
  Items(r, "ImageData", image, 1, Bytes);
}

}  // namespace

void ReadFingerMinutiae(BdbReader& r, BdbFormat format) {
  Identifier(r, format);
  switch (format) {
    case BdbFormat::kAnsi378_2004: {
      // A length of 0 in two bytes: the real one follows in four.
      const bool long_form = r.Load(8, 2, "RecordLength") == 0;
      r.Number("RecordLength", long_form ? 6 : 2, Bytes);
      r.Number("ProductId", 4, OwnerType);
      r.Number("CaptureEquipment", 2, CaptureEquipment);
      ImageSizeAndResolution(r);
      CountedViews(r, MinutiaeView2004);
      return;
    }
    case BdbFormat::kIso19794_2_2005: {
      r.Number("RecordLength", 4, Bytes);
      r.Number("CaptureEquipment", 2, CaptureEquipment);
      ImageSizeAndResolution(r);
      CountedViews(r, MinutiaeView2004);
      return;
    }
    case BdbFormat::kAnsi378_2009:
    case BdbFormat::kAnsi378Draft2007: {
      r.Number("RecordLength", 4, Bytes);
      r.Number("ProductId", 4, OwnerType);
      if (format == BdbFormat::kAnsi378_2009) {
        r.Number("Compliance", 1, HexNumber);
        r.Number("DeviceId", 2, HexNumber);
      } else {
        r.Number("CaptureEquipment", 2, CaptureEquipment);
      }
      CountedViews(r, MinutiaeView2009);
      return;
    }
    case BdbFormat::kIso19794_2_2011: {
      r.Number("RecordLength", 4, Bytes);
      const std::uint64_t count = r.Number("RepresentationCount", 2);
      const bool certified = r.Number("CertificationFlag", 1) != 0;
      Representations(r, count, certified, MinutiaeRepresentation2011);
      return;
    }
    default:
      return;
  }
}

void ReadFingerImage(BdbReader& r, BdbFormat format) {
  Identifier(r, format);
  if (format == BdbFormat::kIso19794_4_2011) {
    r.Number("RecordLength", 4, Bytes);
    const std::uint64_t count = r.Number("RepresentationCount", 2);
    const bool certified = r.Number("CertificationFlag", 1) != 0;
    r.Number("PositionCount", 1);
    Representations(r, count, certified, [](BdbReader& rep) {
      rep.Number("FingerPosition", 1, FingerPosition);
      rep.Number("RepresentationNumber", 1);
      rep.Number("ScaleUnits", 1, ScaleUnits);
      rep.Number("CaptureXRate", 2);
      rep.Number("CaptureYRate", 2);
      rep.Number("ImageXRate", 2);
      rep.Number("ImageYRate", 2);
      rep.Number("BitDepth", 1);
      rep.Number("Compression", 1, Compression2011);
      rep.Number("Impression", 1, Impression);
      rep.Number("Width", 2, Pixels);
      rep.Number("Height", 2, Pixels);
      const std::uint64_t image = rep.Number("ImageLength", 4, Bytes);
      Items(rep, "ImageData", image, 1, Bytes);
    });
    return;
  }
  // ISO 19794-4:2005 and ANSI 381-2004: a six-byte length.
  r.Number("RecordLength", 6, Bytes);
  if (format == BdbFormat::kAnsi381_2004) r.Number("ProductId", 4, OwnerType);
  r.Number("CaptureDeviceId", 2,
           [](std::uint64_t v, std::size_t) { return Hex4(v & 0xFFF); });
  r.Number("AcquisitionLevel", 2);
  const std::uint64_t views = r.Number("ImageCount", 1);
  r.Number("ScaleUnits", 1, ScaleUnits);
  r.Number("ScanXResolution", 2);
  r.Number("ScanYResolution", 2);
  r.Number("ImageXResolution", 2);
  r.Number("ImageYResolution", 2);
  r.Number("PixelDepth", 1);
  r.Number("Compression", 1, Compression2005);
  r.Number("Reserved", 2);
  for (std::uint64_t i = 0; i < views; ++i) {
    const std::size_t begin = r.Pos();
    r.Open("Views", "View", i + 1);
    const std::uint64_t length = r.Number("ViewLength", 4, Bytes);
    r.Number("FingerPosition", 1, FingerPosition);
    r.Number("ViewCount", 1);
    r.Number("ViewNumber", 1);
    r.Number("Quality", 1);
    r.Number("Impression", 1, Impression);
    r.Number("Width", 2, Pixels);
    r.Number("Height", 2, Pixels);
    r.Number("Reserved", 1);
    if (length < r.Pos() - begin) {
      r.Note(BdbNoteKind::kLength, begin,
             "view " + std::to_string(i + 1) + " declares " + Bytes(length) +
                 ", fewer than its 14-byte header");
      r.Close();
      return;
    }
    Items(r, "ImageData", length - (r.Pos() - begin), 1, Bytes);
    r.Close();
  }
}

void ReadFace(BdbReader& r, BdbFormat format) {
  Identifier(r, format);
  r.Number("RecordLength", 4, Bytes);
  if (format == BdbFormat::kIso19794_5_2011) {
    const std::uint64_t count = r.Number("RepresentationCount", 2);
    const bool certified = r.Number("CertificationFlag", 1) != 0;
    r.Number("TemporalSemantics", 2, HexNumber);
    Representations(r, count, certified, FaceRepresentation2011);
    return;
  }
  const std::uint64_t faces = r.Number("FaceCount", 2);
  for (std::uint64_t i = 0; i < faces; ++i) {
    const std::size_t begin = r.Pos();
    r.Open("Faces", "Face", i + 1);
    const std::uint64_t length = r.Number("BlockLength", 4, Bytes);
    Face2005(r, begin, length);
    r.Close();
  }
}

void ReadIris(BdbReader& r, BdbFormat format) {
  Identifier(r, format);
  if (format == BdbFormat::kIso19794_6_2011) {
    r.Number("RecordLength", 4, Bytes);
    const std::uint64_t count = r.Number("RepresentationCount", 2);
    const bool certified = r.Number("CertificationFlag", 1) != 0;
    r.Number("EyeCount", 1);
    Representations(r, count, certified, [](BdbReader& rep) {
      rep.Number("RepresentationNumber", 2);
      rep.Number("EyeLabel", 1, EyePosition);
      rep.Number("ImageType", 1);
      rep.Number("ImageFormat", 1, IrisFormat2011);
      rep.Number("Properties", 1, HexNumber);
      rep.Number("Width", 2, Pixels);
      rep.Number("Height", 2, Pixels);
      rep.Number("BitDepth", 1);
      rep.Number("Range", 2);
      rep.Number("RollAngle", 2);
      rep.Number("RollUncertainty", 2);
      rep.Number("IrisCentreSmallestX", 2);
      rep.Number("IrisCentreLargestX", 2);
      rep.Number("IrisCentreSmallestY", 2);
      rep.Number("IrisCentreLargestY", 2);
      rep.Number("IrisDiameterSmallest", 2);
      rep.Number("IrisDiameterLargest", 2);
      const std::uint64_t image = rep.Number("ImageLength", 4, Bytes);
      Items(rep, "ImageData", image, 1, Bytes);
    });
    return;
  }
  const bool irex = format == BdbFormat::kIso19794_6_Irex;
  if (irex) r.Number("KindOfImagery", 1);
  r.Number("RecordLength", 4, Bytes);
  r.Number("CaptureDeviceId", 2, HexNumber);
  const std::uint64_t eyes = r.Number("EyeCount", 1);
  r.Number("HeaderLength", 2, Bytes);
  r.Number("ImageProperties", 2, HexNumber);
  r.Number("IrisDiameter", 2);
  r.Number("ImageFormat", 2, IrisFormat2005);
  r.Number("Width", 2, Pixels);
  r.Number("Height", 2, Pixels);
  r.Number("IntensityDepth", 1);
  r.Number("Transformation", 1);
  r.Require(16, "DeviceUniqueId");
  r.Text("DeviceUniqueId", 16, Printable(r, r.Pos(), 16));
  for (std::uint64_t e = 0; e < eyes; ++e) {
    r.Open("Eyes", "Eye", e + 1);
    r.Number("EyePosition", 1, EyePosition);
    const std::uint64_t images = r.Number("ImageCount", 2);
    for (std::uint64_t i = 0; i < images; ++i) {
      r.Open("Images", "Image", i + 1);
      if (irex) {
        // The image block's further parts (region of interest, polar and
        // ancillary blocks) have no length of their own: the summary stops
        // after the first image's header.
        const std::uint64_t image = r.Number("ImageLength", 4, Bytes);
        r.Number("ImageNumber", 2);
        r.Number("Quality", 1);
        r.Number("QualityAlgorithm", 4, OwnerType);
        r.Number("RotationAngle", 2);
        r.Number("RotationUncertainty", 2);
        (void)image;
        r.Payload("ImageAndBlocks", r.Remaining(), r.Remaining(), Bytes);
        r.CloseAll();
        return;
      }
      r.Number("ImageNumber", 2);
      r.Number("Quality", 1);
      r.Number("RotationAngle", 2);
      r.Number("RotationUncertainty", 2);
      const std::uint64_t image = r.Number("ImageLength", 4, Bytes);
      Items(r, "ImageData", image, 1, Bytes);
      r.Close();
    }
    r.Close();
  }
}

}  // namespace detail
}  // namespace inspect
}  // namespace BioAPI_Data
