// Speed of the .NET package on the .NET runtime against the C++ codec beneath it, in one run:
//
// - A 16 MiB record: decoding it and copying its BDB into a span that the caller reuses,
//   against the C++ decode of the same bytes (bioapi_bir_decode and bioapi_bir_destroy,
//   called directly). Goal: at most 1.2x. Three .NET routes: the decoder's own copy of the BDB
//   then CopyBiometricDataTo (two copies), DecodeLeavingBiometricData then a copy of the BDB's
//   range of the input (one copy, as the C++ decode), and the BiometricData property (a new
//   array per read). For scale, a plain copy of 16 MiB into a reused array.
// - A 1 KiB record: decoding it and reading every field through its property. Goal: 3 us.
// - Encoding a 1 KiB record: Encode() (a new array) and TryEncode into a reused span, against
//   bioapi_bir_encode and bioapi_free of the same record called directly. Goal: at most 2x.
//
// Every figure is the median of interleaved rounds, so that what is compared sees the same
// load. Build and run it with the bench preset (cmake --workflow --preset bench).
using System;
using System.Collections.Generic;
using System.Diagnostics;
using System.Globalization;
using System.Runtime.InteropServices;
using BioapiData;

internal static unsafe class DotnetBench
{
    [DllImport("bioapi_data", CallingConvention = CallingConvention.Cdecl)]
    private static extern int bioapi_bir_decode(byte* data, UIntPtr size, out IntPtr bir);

    [DllImport("bioapi_data", CallingConvention = CallingConvention.Cdecl)]
    private static extern void bioapi_bir_destroy(IntPtr bir);

    [DllImport("bioapi_data", CallingConvention = CallingConvention.Cdecl)]
    private static extern int bioapi_bir_encode(IntPtr bir, out IntPtr data, out UIntPtr size);

    [DllImport("bioapi_data", CallingConvention = CallingConvention.Cdecl)]
    private static extern void bioapi_free(IntPtr data);

    private static byte[] RecordWithBdb(int size)
    {
        using (var bir = new Bir())
        {
            bir.BDBFormat = new RegistryId(0x1B, 0x201);
            bir.BDBBiometricType = BiometricType.Fingerprint;
            bir.OctetString1 = System.Text.Encoding.ASCII.GetBytes("scanner-07");
            bir.OctetString3 = new byte[9];
            bir.BDBCreationDate = new BirDateTime(2026, 3, 14, 9, 26, 53);
            bir.BIRCreationDate = new BirDateTime(2026, 3, 14, 9, 27, 5);
            bir.BDBValidityPeriod = new ValidityPeriod(new BirDateTime(2026, 3, 14, 9, 26, 53), new BirDateTime(2031, 3, 13, 23, 59, 59));
            bir.BIRValidityPeriod = bir.BDBValidityPeriod;
            bir.RegisteredId2 = new RegistryId(0x101, 2);
            bir.IntegrityOption = true;
            bir.SecurityBlock = new byte[16];
            var bdb = new byte[size];
            for (int i = 0; i < size; i++) bdb[i] = (byte)i;
            bir.BiometricData = bdb;
            return bir.Encode();
        }
    }

    // Milliseconds per call of `action`, over `calls` calls.
    private static double Time(Action action, int calls)
    {
        var watch = Stopwatch.StartNew();
        for (int i = 0; i < calls; i++) action();
        return watch.Elapsed.TotalMilliseconds / calls;
    }

    // Microseconds of processor time per call of `action` over `calls` calls: what the calls
    // cost when other processes share the cores, where wall time counts their turns too.
    private static double CpuTime(Action action, int calls)
    {
        var process = System.Diagnostics.Process.GetCurrentProcess();
        TimeSpan start = process.TotalProcessorTime;
        for (int i = 0; i < calls; i++) action();
        process.Refresh();
        return (process.TotalProcessorTime - start).TotalMilliseconds * 1000 / calls;
    }

    private static double Median(List<double> values)
    {
        values.Sort();
        return values[values.Count / 2];
    }

    private static int Main()
    {
        byte[] big = RecordWithBdb(16 << 20);
        var buffer = new byte[16 << 20];
        long sink = 0;
        Action cppDecode = () =>
        {
            fixed (byte* data = big)
            {
                IntPtr bir;
                if (bioapi_bir_decode(data, (UIntPtr)big.Length, out bir) != 0) throw new Exception("rejected");
                bioapi_bir_destroy(bir);
            }
        };
        Action property = () => { using (var bir = new Bir(big)) sink += bir.BiometricData.Length; };
        Action intoSpan = () => { using (var bir = new Bir(big.AsSpan())) sink += bir.CopyBiometricDataTo(buffer.AsSpan()); };
        Action leaving = () =>
        {
            using (Bir bir = Bir.DecodeLeavingBiometricData(big, out Range bdb))
            {
                big.AsSpan()[bdb].CopyTo(buffer);
                sink += bir.BDBQuality;
            }
        };
        Action copy = () => Buffer.BlockCopy(big, 0, buffer, 0, buffer.Length);
        var actions = new[] { cppDecode, property, intoSpan, leaving, copy };
        var times = new List<double>[actions.Length];
        for (int i = 0; i < actions.Length; i++)
        {
            times[i] = new List<double>();
            actions[i]();  // warm up
        }
        for (int round = 0; round < 15; round++)
        {
            for (int i = 0; i < actions.Length; i++) times[i].Add(Time(actions[i], 3));
        }
        double cpp = Median(times[0]), viaProperty = Median(times[1]), viaBuffer = Median(times[2]),
               viaLeaving = Median(times[3]), plainCopy = Median(times[4]);

        byte[] small = RecordWithBdb(1024);
        var decodeAllTimes = new List<double>();
        var decodeTimes = new List<double>();
        var cppEncodeTimes = new List<double>();
        var encodeTimes = new List<double>();
        var tryEncodeTimes = new List<double>();
        var encoded = new byte[small.Length];
        double allCpu;
        IntPtr raw;
        fixed (byte* data = small)
        {
            if (bioapi_bir_decode(data, (UIntPtr)small.Length, out raw) != 0) throw new Exception("rejected");
        }
        using (var bir = new Bir(small))
        {
            Action decodeAll = () =>
            {
                using (var b = new Bir(small.AsSpan()))
                {
                    sink += b.NativeFormatOwner + b.NativeFormatType + b.FixedWord3 + b.FixedWord4;
                    sink += b.RecordFormat.Owner + b.HeaderVersion + b.HeaderRevision + b.BDBFormat.Type;
                    sink += (b.EncryptionOption ? 1 : 0) + (b.IntegrityOption ? 1 : 0);
                    sink += (int)b.BDBBiometricType + (int)b.BDBBiometricSubtype;
                    sink += b.RegisteredId1.Owner + b.RegisteredId2.Owner + b.RegisteredId3.Owner;
                    sink += b.RegisteredId4.Owner + b.RegisteredId5.Owner + b.OctetString1.Length;
                    sink += b.BDBCreationDate.HasValue ? 1 : 0;
                    sink += b.OctetString2.Length + (int)b.BDBProcessedLevel + b.RegisteredId6.Owner;
                    sink += (int)b.BDBPurpose + b.BDBQuality + b.RegisteredId7.Owner;
                    sink += b.BDBValidityPeriod.Count + (b.BIRCreationDate.HasValue ? 1 : 0);
                    sink += b.OctetString3.Length + b.OctetString4.Length + b.OctetString5.Length;
                    sink += b.OctetString6.Length + b.BIRValidityPeriod.Count + b.RegisteredId8.Owner;
                    sink += b.BiometricData.Length + b.SecurityBlock.Length;
                }
            };
            Action decode = () => { using (var b = new Bir(small.AsSpan())) sink += b.BDBQuality; };
            Action cppEncode = () =>
            {
                if (bioapi_bir_encode(raw, out IntPtr data, out UIntPtr size) != 0) throw new Exception("refused");
                sink += (long)size.ToUInt64();
                bioapi_free(data);
            };
            Action encode = () => sink += bir.Encode().Length;
            Action tryEncode = () => { bir.TryEncode(encoded, out int written); sink += written; };
            for (int i = 0; i < 2000; i++)
            {
                decodeAll();
                encode();
                tryEncode();
                cppEncode();
            }
            allCpu = CpuTime(decodeAll, 20000);
            for (int round = 0; round < 15; round++)
            {
                decodeAllTimes.Add(Time(decodeAll, 2000) * 1000);
                decodeTimes.Add(Time(decode, 2000) * 1000);
                cppEncodeTimes.Add(Time(cppEncode, 2000) * 1000);
                encodeTimes.Add(Time(encode, 2000) * 1000);
                tryEncodeTimes.Add(Time(tryEncode, 2000) * 1000);
            }
        }
        bioapi_bir_destroy(raw);
        double all = Median(decodeAllTimes), smallDecode = Median(decodeTimes), cppEnc = Median(cppEncodeTimes),
               enc = Median(encodeTimes), tryEnc = Median(tryEncodeTimes);

        var c = CultureInfo.InvariantCulture;
        Console.WriteLine(RuntimeInformation.FrameworkDescription);
        Console.WriteLine(string.Format(c, "16 MiB record, median of 15 rounds of 3 (ms per call):"));
        Console.WriteLine(string.Format(c, "  C++ decode (bioapi_bir_decode + destroy)                   {0,8:F3}", cpp));
        Console.WriteLine(string.Format(c, "  new Bir(span) + CopyBiometricDataTo(span) + Dispose        {0,8:F3}  ratio {1:F2}", viaBuffer, viaBuffer / cpp));
        Console.WriteLine(string.Format(c, "  DecodeLeavingBiometricData + copy of its range + Dispose   {0,8:F3}  ratio {1:F2}", viaLeaving, viaLeaving / cpp));
        Console.WriteLine(string.Format(c, "  new Bir(bytes) + BiometricData + Dispose                   {0,8:F3}  ratio {1:F2}", viaProperty, viaProperty / cpp));
        Console.WriteLine(string.Format(c, "  copy of 16 MiB into a reused array                         {0,8:F3}  ratio {1:F2}", plainCopy, plainCopy / cpp));
        Console.WriteLine(string.Format(c, "1 KiB record, median of 15 rounds of 2000 (us per call):"));
        Console.WriteLine(string.Format(c, "  decode + Dispose                                           {0,8:F2}", smallDecode));
        Console.WriteLine(string.Format(c, "  decode + every field through its property + Dispose        {0,8:F2}", all));
        Console.WriteLine(string.Format(c, "    the same in processor time, 20000 calls                  {0,8:F2}", allCpu));
        Console.WriteLine(string.Format(c, "  C++ encode (bioapi_bir_encode + bioapi_free)               {0,8:F2}", cppEnc));
        Console.WriteLine(string.Format(c, "  Encode() (a new array)                                     {0,8:F2}  ratio {1:F2}", enc, enc / cppEnc));
        Console.WriteLine(string.Format(c, "  TryEncode into a reused span                               {0,8:F2}  ratio {1:F2}", tryEnc, tryEnc / cppEnc));
        Console.WriteLine("goals:");
        double best = Math.Min(viaLeaving, viaBuffer);
        Console.WriteLine(string.Format(c, "  decode 16 MiB + BDB into a span <= 1.2 x C++ decode: {0:F2} (one copy), {1:F2} (two)  {2}",
            viaLeaving / cpp, viaBuffer / cpp, best <= 1.2 * cpp ? "PASS" : "MISS"));
        Console.WriteLine(string.Format(c, "  decode 1 KiB + every property <= 3 us: {0:F2} us ({1:F2} us of processor time)  {2}",
            all, allCpu, all <= 3 ? "PASS" : "MISS"));
        Console.WriteLine(string.Format(c, "  encode 1 KiB <= 2 x C++ encode: {0:F2} (Encode), {1:F2} (TryEncode)  {2}",
            enc / cppEnc, tryEnc / cppEnc, enc <= 2 * cppEnc ? "PASS" : "MISS"));
        GC.KeepAlive(sink);
        return 0;
    }
}
