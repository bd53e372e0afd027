// Speed of the .NET package on Mono against the C++ codec beneath it, in one run:
//
// - A 16 MiB record: decoding it and reading BiometricData (the property, a new array per
//   read; and CopyBiometricDataTo, into a buffer that the caller reuses), against the C++
//   decode of the same bytes (bioapi_bir_decode and bioapi_bir_destroy, called directly).
//   Goal: at most 2x. For scale, a bare new 16 MiB array filled from native memory, and a
//   plain copy of the record into a reused array.
// - A 1 KiB record: reading every field through its property. Goal: at most 10 us.
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

    private static double Median(List<double> values)
    {
        values.Sort();
        return values[values.Count / 2];
    }

    private static int Main()
    {
        byte[] big = RecordWithBdb(16 << 20);
        var buffer = new byte[16 << 20];
        IntPtr native = Marshal.AllocHGlobal(16 << 20);
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
        Action intoBuffer = () => { using (var bir = new Bir(big)) sink += bir.CopyBiometricDataTo(buffer, 0); };
        Action freshArray = () =>
        {
            var array = new byte[16 << 20];
            Marshal.Copy(native, array, 0, array.Length);
            sink += array[1];
        };
        Action copy = () => Buffer.BlockCopy(big, 0, buffer, 0, buffer.Length);
        var actions = new[] { cppDecode, property, intoBuffer, freshArray, copy };
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
        Marshal.FreeHGlobal(native);
        double cpp = Median(times[0]), viaProperty = Median(times[1]), viaBuffer = Median(times[2]),
               fresh = Median(times[3]), plainCopy = Median(times[4]);

        byte[] small = RecordWithBdb(1024);
        var fieldTimes = new List<double>();
        var decodeTimes = new List<double>();
        using (var bir = new Bir(small))
        {
            Action everyField = () =>
            {
                sink += bir.NativeFormatOwner + bir.NativeFormatType + bir.FixedWord3 + bir.FixedWord4;
                sink += bir.RecordFormat.Owner + bir.HeaderVersion + bir.HeaderRevision + bir.BDBFormat.Type;
                sink += (bir.EncryptionOption ? 1 : 0) + (bir.IntegrityOption ? 1 : 0);
                sink += (int)bir.BDBBiometricType + (int)bir.BDBBiometricSubtype;
                sink += bir.RegisteredId1.Owner + bir.RegisteredId2.Owner + bir.RegisteredId3.Owner;
                sink += bir.RegisteredId4.Owner + bir.RegisteredId5.Owner + bir.OctetString1.Length;
                sink += bir.BDBCreationDate.HasValue ? 1 : 0;
                sink += bir.OctetString2.Length + (int)bir.BDBProcessedLevel + bir.RegisteredId6.Owner;
                sink += (int)bir.BDBPurpose + bir.BDBQuality + bir.RegisteredId7.Owner;
                sink += bir.BDBValidityPeriod.Count + (bir.BIRCreationDate.HasValue ? 1 : 0);
                sink += bir.OctetString3.Length + bir.OctetString4.Length + bir.OctetString5.Length;
                sink += bir.OctetString6.Length + bir.BIRValidityPeriod.Count + bir.RegisteredId8.Owner;
                sink += bir.BiometricData.Length + bir.SecurityBlock.Length;
            };
            Action decode = () => { using (var b = new Bir(small)) sink += b.BDBQuality; };
            for (int i = 0; i < 2000; i++) everyField();
            for (int round = 0; round < 15; round++)
            {
                fieldTimes.Add(Time(everyField, 2000) * 1000);
                decodeTimes.Add(Time(decode, 2000) * 1000);
            }
        }
        double fields = Median(fieldTimes), smallDecode = Median(decodeTimes);

        var c = CultureInfo.InvariantCulture;
        Console.WriteLine(string.Format(c, "16 MiB record, median of 15 rounds of 3 (ms per call):"));
        Console.WriteLine(string.Format(c, "  C++ decode (bioapi_bir_decode + destroy)          {0,8:F3}", cpp));
        Console.WriteLine(string.Format(c, "  new Bir(bytes) + BiometricData + Dispose          {0,8:F3}  ratio {1:F2}", viaProperty, viaProperty / cpp));
        Console.WriteLine(string.Format(c, "  new Bir(bytes) + CopyBiometricDataTo + Dispose    {0,8:F3}  ratio {1:F2}", viaBuffer, viaBuffer / cpp));
        Console.WriteLine(string.Format(c, "  new byte[16 MiB] filled from native memory        {0,8:F3}  ratio {1:F2}", fresh, fresh / cpp));
        Console.WriteLine(string.Format(c, "  copy of 16 MiB into a reused array                {0,8:F3}  ratio {1:F2}", plainCopy, plainCopy / cpp));
        Console.WriteLine(string.Format(c, "1 KiB record, median of 15 rounds of 2000 (us per call):"));
        Console.WriteLine(string.Format(c, "  decode + Dispose                                  {0,8:F2}", smallDecode));
        Console.WriteLine(string.Format(c, "  every field through its property (35 reads)       {0,8:F2}", fields));
        Console.WriteLine("goals:");
        Console.WriteLine(string.Format(c, "  decode 16 MiB + read BDB (CopyBiometricDataTo) <= 2 x C++ decode: {0:F2}  {1}", viaBuffer / cpp, viaBuffer <= 2 * cpp ? "PASS" : "MISS"));
        Console.WriteLine(string.Format(c, "  decode 16 MiB + read BDB (BiometricData)      <= 2 x C++ decode: {0:F2}  {1}", viaProperty / cpp, viaProperty <= 2 * cpp ? "PASS" : "MISS"));
        Console.WriteLine(string.Format(c, "  every field of a 1 KiB record <= 10 us: {0:F2} us  {1}", fields, fields <= 10 ? "PASS" : "MISS"));
        GC.KeepAlive(sink);
        return 0;
    }
}
