// A user's program on the BioapiData package: decode a record, read and edit it, encode it,
// and catch a damaged record's exception with where and why the decoder rejected it.
// Usage: dotnet run -- <full_record.bir>
//        dotnet run -- --missing-library   (the native library moved away, then back)
//        dotnet run -- --missing-inspection <full_record.bir>   (the inspection library away)
using System;
using System.IO;
using System.Runtime.InteropServices;
using BioapiData;

if (args.Length == 1 && args[0] == "--missing-library") return MissingLibrary();
if (args.Length == 2 && args[0] == "--missing-inspection") return MissingInspection(File.ReadAllBytes(args[1]));
if (args.Length != 1)
{
    Console.Error.WriteLine("usage: dotnet run -- <record.bir>");
    return 2;
}
Console.WriteLine($"{RuntimeInformation.FrameworkDescription} on {RuntimeInformation.RuntimeIdentifier}, " +
                  $"native bioapi_data {BioApiLibrary.Version}");
byte[] bytes = File.ReadAllBytes(args[0]);

using (var bir = new Bir(bytes))
{
    Console.WriteLine($"decoded: {bir}");
    if (bir.BDBQuality != 80 || bir.BDBFormat != new RegistryId(0x001B, 0x0201)) return Fail("unexpected fields");
    bir.BDBQuality = 95;
    bir.BDBPurpose = Purpose.Verify;
    bir.OctetString1 = "console-01"u8.ToArray();
    bir.BIRValidityPeriod = new ValidityPeriod(new BirDateTime(2026, 12, 10, 0, 0, 0), new BirDateTime(2031, 12, 9, 23, 59, 59));
    byte[] encoded = bir.Encode();
    var buffer = new byte[encoded.Length];
    if (!bir.TryEncode(buffer, out int written) || written != encoded.Length || !buffer.AsSpan().SequenceEqual(encoded))
    {
        return Fail("TryEncode differs from Encode");
    }
    using var back = new Bir(encoded.AsSpan());
    if (!back.Equals(bir) || back.BDBQuality != 95) return Fail("the edited record did not come back");
    Console.WriteLine($"edited and encoded: {encoded.Length} bytes, {back}");
    try
    {
        bir.BDBPurpose = (Purpose)300;
        return Fail("Purpose 300 was accepted");
    }
    catch (ArgumentOutOfRangeException e)
    {
        Console.WriteLine($"refused: {e.ParamName}");
    }
}

try
{
    using var damaged = new Bir(bytes.AsSpan(0, bytes.Length - 1));
    return Fail("a record one byte short was accepted");
}
catch (BioApiException e) when (e.Code == BioApiErrorCode.InvalidData)
{
    Console.WriteLine($"rejected: offset {e.Offset}, field {e.Field}, check \"{e.Check}\"");
    if (e.Offset == null || e.Field == null || e.Check == null) return Fail("the rejection has no reason");
}
Console.WriteLine("consumer: 1 passed, 0 failed");
return 0;

// Without its native library the first record throws DllNotFoundException naming it and where
// it looked; once the library is back, the next record works in the same process.
static int MissingLibrary()
{
    string library = Path.Combine(AppContext.BaseDirectory, "runtimes", RuntimeInformation.RuntimeIdentifier,
                                  "native", "libbioapi_data.so");
    if (!File.Exists(library)) return Fail("no " + library);
    File.Move(library, library + ".away");
    try
    {
        using var bir = new Bir();
        return Fail("a record without the native library");
    }
    catch (DllNotFoundException e)
    {
        Console.WriteLine("missing library: " + e.Message);
        if (!e.Message.Contains("libbioapi_data.so") || !e.Message.Contains(AppContext.BaseDirectory.TrimEnd('/')))
        {
            return Fail("the message names neither the library nor where it looked");
        }
    }
    finally
    {
        File.Move(library + ".away", library);
    }
    using (var bir = new Bir())
    {
        Console.WriteLine($"library back: {bir}");
    }
    Console.WriteLine("consumer: 1 passed, 0 failed");
    return 0;
}

// Without the inspection library beside the core one, a rejected record still says where and
// why: the reason comes from the decode itself.
static int MissingInspection(byte[] bytes)
{
    string library = Path.Combine(AppContext.BaseDirectory, "runtimes", RuntimeInformation.RuntimeIdentifier,
                                  "native", "libbioapi_data_inspect.so");
    if (!File.Exists(library)) return Fail("no " + library);
    File.Move(library, library + ".away");
    try
    {
        using var damaged = new Bir(bytes.AsSpan(0, bytes.Length - 1));
        return Fail("a record one byte short was accepted");
    }
    catch (BioApiException e) when (e.Code == BioApiErrorCode.InvalidData)
    {
        Console.WriteLine("without the inspection library: " + e.Message);
        if (e.Offset != 4 || e.Field != "TotalLength" || e.Check != "total length equals the size of the record" ||
            !e.Message.EndsWith(e.Reason!, StringComparison.Ordinal))
        {
            return Fail("the rejection lost its reason without the inspection library");
        }
    }
    finally
    {
        File.Move(library + ".away", library);
    }
    Console.WriteLine("consumer: 1 passed, 0 failed");
    return 0;
}

static int Fail(string what)
{
    Console.Error.WriteLine("consumer: " + what);
    Console.WriteLine("consumer: 0 passed, 1 failed");
    return 1;
}
