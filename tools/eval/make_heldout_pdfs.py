#!/usr/bin/python3
"""Makes the held-out PDF set for the PDF reader's peer comparison: PDFs of
other producers than the two samples in ../shared/formats, from texts the
samples were not made from, plus structural variants of the samples
(object streams, linearized, encrypted with an owner password only,
uncompressed). Each PDF gets pdftotext's text beside it as FILE.pdftotext.txt.

    tools/eval/make_heldout_pdfs.py OUTDIR

Producers are used where present and skipped otherwise: reportlab
(Debian python3-reportlab), qpdf, ghostscript with enscript, and Qt 6 (the
tools/eval/qt_pdf.cc writer, built on the fly). None of them is needed to
build or test the project.
"""
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SHARED = os.path.join(os.path.dirname(ROOT), "shared")
SAMPLES = os.path.join(SHARED, "formats", "generated", "pdf")


def text_of(name, limit):
    path = os.path.join(SHARED, "text", "clean", name)
    if not os.path.exists(path):
        path = os.path.join(SHARED, "formats", "sources", name)
    data = open(path, encoding="utf-8").read()
    return data[:limit]


def reportlab_pdfs(out):
    try:
        from reportlab.lib.pagesizes import A4
        from reportlab.pdfbase import pdfmetrics
        from reportlab.pdfbase.cidfonts import CIDFont, UnicodeCIDFont
        from reportlab.pdfgen import canvas
    except ImportError:
        print("reportlab missing: skipped", file=sys.stderr)
        return

    def write(path, lines, font, size, wrap, compress=1):
        c = canvas.Canvas(path, pagesize=A4, pageCompression=compress)
        width, height = A4
        y = height - 60
        for para in lines:
            chunks = [para[i:i + wrap] for i in range(0, len(para), wrap)] or [""]
            for chunk in chunks:
                if y < 60:
                    c.showPage()
                    y = height - 60
                c.setFont(font, size)
                c.drawString(50, y, chunk)
                y -= size * 1.5
        c.save()

    pdfmetrics.registerFont(UnicodeCIDFont("STSong-Light"))
    zh = [l for l in text_of("laocan.utf8.txt", 60000).splitlines() if l.strip()]
    write(os.path.join(out, "zh_laocan.reportlab-unigb-ucs2.pdf"), zh, "STSong-Light", 11, 38)
    # GBK-EUC-H: the string bytes are GBK.
    pdfmetrics.registerFont(CIDFont("STSong-Light", "GBK-EUC-H"))
    gbk_lines = []
    for l in text_of("xiyouji.utf8.txt", 40000).splitlines():
        if not l.strip():
            continue
        try:
            l.encode("gbk")
        except UnicodeEncodeError:
            continue
        gbk_lines.append(l)
    path = os.path.join(out, "zh_xiyouji.reportlab-gbk-euc.pdf")
    c = canvas.Canvas(path, pagesize=A4)
    y = 780
    for para in gbk_lines:
        for i in range(0, len(para), 38):
            if y < 60:
                c.showPage()
                y = 780
            c.setFont("STSong-Light-GBK-EUC-H", 11)
            c.drawString(50, y, para[i:i + 38].encode("gbk").decode("latin-1"))
            y -= 16
    c.save()
    en = [l for l in text_of("en_alice.utf8.txt", 80000).splitlines()]
    write(os.path.join(out, "en_alice.reportlab-helvetica.pdf"), en, "Helvetica", 10, 95)
    write(os.path.join(out, "en_alice.reportlab-times-uncompressed.pdf"), en, "Times-Roman", 10, 95, compress=0)


def qt_pdfs(out):
    cxx = shutil.which("g++")
    if cxx is None or subprocess.run(["pkg-config", "--exists", "Qt6Gui"]).returncode != 0:
        print("Qt 6 missing: skipped", file=sys.stderr)
        return
    exe = os.path.join(out, "qt_pdf")
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "Qt6Gui"], capture_output=True, text=True).stdout.split()
    subprocess.run([cxx, "-std=c++17", "-O1", "-fPIC", os.path.join(HERE, "qt_pdf.cc"), "-o", exe] + flags, check=True)
    src = os.path.join(out, "rulin.txt")
    open(src, "w", encoding="utf-8").write(text_of("rulin.utf8.txt", 50000))
    subprocess.run([exe, src, os.path.join(out, "zh_rulin.qt.pdf"), "Noto Serif CJK TC"], check=True)
    src = os.path.join(out, "sanguo.txt")
    open(src, "w", encoding="utf-8").write(text_of("sanguo.utf8.txt", 50000))
    subprocess.run([exe, src, os.path.join(out, "zh_sanguo.qt-sans.pdf"), "Noto Sans CJK SC"], check=True)
    src = os.path.join(out, "alice.txt")
    open(src, "w", encoding="utf-8").write(text_of("en_alice.utf8.txt", 60000))
    subprocess.run([exe, src, os.path.join(out, "en_alice.qt-dejavu.pdf"), "DejaVu Serif"], check=True)


def ghostscript_pdfs(out):
    if shutil.which("gs") is None or shutil.which("enscript") is None:
        print("ghostscript/enscript missing: skipped", file=sys.stderr)
        return
    src = os.path.join(out, "alice-part.txt")
    open(src, "w", encoding="latin-1", errors="replace").write(text_of("en_alice.utf8.txt", 70000))
    ps = os.path.join(out, "alice.ps")
    subprocess.run(["enscript", "-q", "-B", "-f", "Courier10", "-o", ps, src], check=True)
    subprocess.run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-dCompatibilityLevel=1.5",
                    "-sOutputFile=" + os.path.join(out, "en_alice.enscript-courier-gs.pdf"), ps], check=True)
    subprocess.run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-sOwnerPassword=owner",
                    "-dPermissions=-3904", "-dEncryptionR=3", "-dKeyLength=128",
                    "-sOutputFile=" + os.path.join(out, "en_alice.gs-rc4-owner.pdf"), ps], check=True)


def qpdf_variants(out):
    if shutil.which("qpdf") is None:
        print("qpdf missing: skipped", file=sys.stderr)
        return
    variants = {
        "objstm": ["--object-streams=generate"],
        "linearized": ["--linearize"],
        "uncompressed": ["--stream-data=uncompress", "--object-streams=disable"],
        "aes128-owner": ["--encrypt", "", "owner", "128", "--use-aes=y", "--"],
        "aes256-owner": ["--encrypt", "", "owner", "256", "--"],
        "rc4-40-owner": ["--allow-weak-crypto", "--encrypt", "", "owner", "40", "--"],
    }
    for name in sorted(os.listdir(SAMPLES)):
        if not name.endswith(".pdf"):
            continue
        base = name[:-4]
        for label, args in variants.items():
            dst = os.path.join(out, f"{base}.qpdf-{label}.pdf")
            subprocess.run(["qpdf"] + args + [os.path.join(SAMPLES, name), dst], check=False)


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    out = os.path.abspath(sys.argv[1])
    os.makedirs(out, exist_ok=True)
    reportlab_pdfs(out)
    qt_pdfs(out)
    ghostscript_pdfs(out)
    qpdf_variants(out)
    for name in sorted(os.listdir(out)):
        if name.endswith(".pdf"):
            path = os.path.join(out, name)
            subprocess.run(["pdftotext", "-enc", "UTF-8", path, path + ".pdftotext.txt"], check=False)
            print(name)
    return 0


if __name__ == "__main__":
    sys.exit(main())
