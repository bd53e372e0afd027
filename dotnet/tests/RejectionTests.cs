using System;
using System.Collections.Generic;
using System.IO;
using System.Text;
using NUnit.Framework;

namespace BioapiData.Tests
{
    /// <summary>One row of the shared table of damaged records.</summary>
    public class DamagedRecord
    {
        public string Name;
        public long Offset;
        public string Field;
        public string Check;
        public string Reason;
        public string Hex;

        public byte[] Bytes()
        {
            var bytes = new byte[Hex.Length / 2];
            for (int i = 0; i < bytes.Length; i++) bytes[i] = Convert.ToByte(Hex.Substring(2 * i, 2), 16);
            return bytes;
        }

        public override string ToString() { return Name; }
    }

    [TestFixture]
    public class RejectionTests
    {
        public static IEnumerable<DamagedRecord> DamagedRecords()
        {
            string text = File.ReadAllText(Path.Combine(Library.DataDir, "damaged_records.json"));
            var rows = new List<DamagedRecord>();
            foreach (Dictionary<string, object> row in new FlatJson(text).Rows())
            {
                rows.Add(new DamagedRecord {
                    Name = (string)row["name"], Offset = (long)row["offset"], Field = (string)row["field"],
                    Check = (string)row["check"], Reason = (string)row["reason"], Hex = (string)row["hex"],
                });
            }
            Assert.IsNotEmpty(rows);
            return rows;
        }

        [TestCaseSource("DamagedRecords")]
        public void RejectedRecordSaysWhereAndWhy(DamagedRecord damaged)
        {
            byte[] bytes = damaged.Bytes();
            // Decoded from the middle of a larger array: the offset counts from the record.
            var padded = new byte[bytes.Length + 5];
            Buffer.BlockCopy(bytes, 0, padded, 2, bytes.Length);
            var e = Assert.Throws<BioApiException>(() => new Bir(padded, 2, bytes.Length));
            Assert.AreEqual(BioApiErrorCode.InvalidData, e.Code);
            Assert.AreEqual(Facility.Unit, e.Facility);
            Assert.AreEqual(damaged.Offset, e.Offset);
            Assert.AreEqual(damaged.Field, e.Field);
            Assert.AreEqual(damaged.Check, e.Check);
            Assert.AreEqual(damaged.Reason, e.Reason);
            Assert.AreEqual("BioAPI Error: Invalid Data. (Source: Unit). " + damaged.Reason, e.Message);
        }

        [Test]
        public void OtherErrorsHaveNoReason()
        {
            var e = new BioApiException(BioApiErrorCode.InvalidData);
            Assert.IsNull(e.Offset);
            Assert.IsNull(e.Field);
            Assert.IsNull(e.Check);
            Assert.AreEqual("BioAPI Error: Invalid Data. (Source: Unit).", e.Message);
        }
    }

    /// <summary>Reads a JSON array of flat objects whose values are strings or integers, as the
    /// table of damaged records is (Mono's profile here has no JSON reader).</summary>
    internal sealed class FlatJson
    {
        private readonly string text;
        private int at;

        public FlatJson(string text) { this.text = text; }

        public IEnumerable<Dictionary<string, object>> Rows()
        {
            var rows = new List<Dictionary<string, object>>();
            Expect('[');
            while (Peek() != ']')
            {
                rows.Add(Row());
                if (Peek() == ',') at++;
            }
            return rows;
        }

        private Dictionary<string, object> Row()
        {
            var row = new Dictionary<string, object>();
            Expect('{');
            while (Peek() != '}')
            {
                string key = String();
                Expect(':');
                row[key] = Peek() == '"' ? (object)String() : Number();
                if (Peek() == ',') at++;
            }
            at++;
            return row;
        }

        private char Peek()
        {
            while (char.IsWhiteSpace(text[at])) at++;
            return text[at];
        }

        private void Expect(char c)
        {
            if (Peek() != c) throw new FormatException("expected '" + c + "' at " + at);
            at++;
        }

        private long Number()
        {
            int start = at;
            while (text[at] == '-' || char.IsDigit(text[at])) at++;
            return long.Parse(text.Substring(start, at - start), System.Globalization.CultureInfo.InvariantCulture);
        }

        private string String()
        {
            Expect('"');
            var value = new StringBuilder();
            for (char c = text[at++]; c != '"'; c = text[at++])
            {
                if (c != '\\')
                {
                    value.Append(c);
                    continue;
                }
                c = text[at++];
                switch (c)
                {
                    case 'n': value.Append('\n'); break;
                    case 't': value.Append('\t'); break;
                    case 'u': value.Append((char)Convert.ToInt32(text.Substring(at, 4), 16)); at += 4; break;
                    default: value.Append(c); break;
                }
            }
            return value.ToString();
        }
    }
}
