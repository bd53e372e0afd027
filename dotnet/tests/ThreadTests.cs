using System;
using System.Collections.Generic;
using System.Threading;
using Xunit;

namespace BioapiData.Tests
{
    public class ThreadTests
    {
        // Threads that decode, change, encode, copy, compare and dispose records, their own
        // and shared ones, in every interleaving the scheduler gives. A shared record is
        // disposed while the others still use it: they may only see ObjectDisposedException.
        [Fact]
        public void ManyThreadsOnSeparateAndSharedRecords()
        {
            byte[] full = Library.Record("full_record.bir");
            const int threads = 8;
            const int rounds = 1500;
            int done = 0;
            var shared = new Bir[3];
            for (int i = 0; i < shared.Length; i++) shared[i] = new Bir(full);
            var failures = new List<Exception>();
            var start = new ManualResetEvent(false);
            var workers = new List<Thread>();
            for (int t = 0; t < threads; t++)
            {
                int seed = t;
                var worker = new Thread(() =>
                {
                    var random = new Random(seed);
                    start.WaitOne();
                    try
                    {
                        for (int round = 0; round < rounds; round++)
                        {
                            using (var own = new Bir(full))
                            {
                                own.BDBQuality = round % 256;
                                own.BiometricData = new byte[random.Next(0, 2000)];
                                using (var back = new Bir(own.Encode()))
                                {
                                    if (!back.Equals(own)) throw new Exception("own record changed on the way");
                                }
                            }
                            // Half-way through, one thread disposes a shared record under the others.
                            if (Interlocked.Increment(ref done) == threads * rounds / 2) shared[0].Dispose();
                            Bir record = shared[random.Next(shared.Length)];
                            try
                            {
                                Exercise(record, shared[random.Next(shared.Length)], random, seed, round);
                            }
                            catch (ObjectDisposedException)
                            {
                            }
                        }
                    }
                    catch (Exception e)
                    {
                        lock (failures) failures.Add(e);
                    }
                });
                worker.Start();
                workers.Add(worker);
            }
            start.Set();
            foreach (Thread worker in workers) worker.Join();
            foreach (Bir record in shared) record.Dispose();
            Assert.True(failures.Count == 0, string.Join("\n", failures));
        }

        private static void Exercise(Bir record, Bir other, Random random, int seed, int round)
        {
            switch (random.Next(11))
            {
                case 9:
                {
                    var buffer = new byte[6000];
                    try
                    {
                        record.CopyBiometricDataTo(buffer.AsSpan());
                    }
                    catch (ArgumentException e) when (!(e is ArgumentOutOfRangeException))
                    {
                        // The BDB grew past the buffer under another thread: refused whole.
                    }
                    break;
                }
                case 10: record.TryEncode(new byte[random.Next(0, 8000)], out _); break;
                case 0: record.BiometricData = new byte[random.Next(0, 5000)]; break;
                case 1: GC.KeepAlive(record.BiometricData); break;
                case 2: record.OctetString1 = new byte[random.Next(0, 100)]; break;
                case 3: new Bir(record.Encode()).Dispose(); break;
                case 4: record.Clone().Dispose(); break;
                case 5: record.Equals(other); other.Equals(record); record.GetHashCode(); GC.KeepAlive(record.ToString()); break;
                case 6: record.BDBValidityPeriod = random.Next(2) == 0 ? ValidityPeriod.Empty
                    : new ValidityPeriod(new BirDateTime(2000 + seed, 1, 1, 0, 0, 0), new BirDateTime(2100, 1, 1, 0, 0, round % 60));
                    break;
                case 7: GC.KeepAlive(record.GetFields()); break;
                default: record.BIRCreationDate = random.Next(2) == 0 ? (BirDateTime?)null : new BirDateTime(2026, 1, 1, 0, 0, 0); break;
            }
        }

        // Records dropped without Dispose are released by their finalizers while other
        // threads still work: nothing crashes and nothing is read after it is freed.
        [Fact]
        public void UndisposedRecordsAreFinalizedSafely()
        {
            byte[] full = Library.Record("full_record.bir");
            var workers = new List<Thread>();
            for (int t = 0; t < 4; t++)
            {
                var worker = new Thread(() =>
                {
                    for (int i = 0; i < 2000; i++)
                    {
                        int length = new Bir(full).BiometricData.Length;
                        if (length != 27) throw new Exception("wrong BDB length " + length);
                        if (i % 500 == 0) GC.Collect();
                    }
                });
                worker.Start();
                workers.Add(worker);
            }
            foreach (Thread worker in workers) worker.Join();
            GC.Collect();
            GC.WaitForPendingFinalizers();
        }
    }
}
