#!/usr/bin/env python3
"""Reads an exported file with a real reader of its format and prints its table as JSON:
{"rows": [[cell, ...], ...], ...extra}. Cells are strings; typed spreadsheet cells are written
as "N:<number>", "D:<yyyy-mm-dd>", "T:<hh:mm:ss>", "B:<0|1>", formulas as "F:=...", text as it is."""
import csv
import datetime
import json
import re
import subprocess
import sys
from html.parser import HTMLParser


class TableParser(HTMLParser):
    def __init__(self, stray_text_starts_next_cell=False):
        super().__init__(convert_charrefs=True)
        self.rows, self.cell, self.row = [], None, None
        # unrtf opens a cell only at its first plain word: what comes before goes out ahead of
        # the <td>.
        self.stray = stray_text_starts_next_cell
        self.pending = ""

    def handle_starttag(self, tag, attrs):
        if tag == "tr":
            self.row = []
        elif tag in ("td", "th"):
            self.cell, self.pending = self.pending, ""
        elif tag == "br" and self.cell is not None:
            self.cell += "\n"

    def handle_endtag(self, tag):
        if tag in ("td", "th") and self.cell is not None:
            self.row.append(self.cell)
            self.cell = None
        elif tag == "tr" and self.row is not None:
            self.rows.append(self.row)
            self.row = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data
        elif self.stray and self.row is not None:
            self.pending += data.strip("\n")


def typed(value):
    if value is None:
        return ""
    if isinstance(value, bool):
        return "B:%d" % value
    if isinstance(value, (int, float)):
        return "N:%r" % float(value)
    if isinstance(value, datetime.datetime):
        if value.date() == datetime.date(1899, 12, 30) or value.date() == datetime.date(1899, 12, 31):
            return "T:" + value.time().isoformat()
        if value.time() == datetime.time(0):
            return "D:" + value.date().isoformat()
        return "DT:" + value.isoformat()
    if isinstance(value, datetime.date):
        return "D:" + value.isoformat()
    if isinstance(value, datetime.time):
        return "T:" + value.isoformat()
    return str(value)


def read_xlsx(path):
    import openpyxl
    book = openpyxl.load_workbook(path)
    sheets = []
    for sheet in book.worksheets:
        sheets.append({
            "title": sheet.title,
            "footer": sheet.oddFooter.center.text or "",
            "rows": [[("F:" if c.data_type == "f" else "") + typed(c.value) for c in row]
                     for row in sheet.iter_rows()],
            "formats": [[c.number_format for c in row] for row in sheet.iter_rows(min_row=2, max_row=2)],
        })
    return {"rows": [r for s in sheets for r in s["rows"]], "sheets": sheets}


def read_docx(path):
    import docx
    document = docx.Document(path)
    table = document.tables[0]
    section = document.sections[0]
    return {"rows": [[cell.text for cell in row.cells] for row in table.rows],
            "landscape": section.page_width > section.page_height,
            "left_margin_in": section.left_margin.inches}


def read_rtf(path):
    html = subprocess.run(["unrtf", "--html", path], check=True, capture_output=True).stdout
    parser = TableParser(stray_text_starts_next_cell=True)
    # unrtf breaks its own output lines after each <br>, and shows a tab as blanks and a break.
    text = html.decode("utf-8", "replace").replace("<br>\n", "<br>")
    text = re.sub(r"(&nbsp;)+\n", "\t", text)
    parser.feed(text)
    return {"rows": [[c.strip("\n") for c in r] for r in parser.rows]}


def read_html(path):
    parser = TableParser()
    with open(path, encoding="utf-8") as f:
        parser.feed(f.read())
    return {"rows": parser.rows}


def read_csv(path, delimiter):
    with open(path, encoding="utf-8-sig", newline="") as f:
        return {"rows": [row for row in csv.reader(f, delimiter=delimiter)]}


def read_pdf(path):
    text = subprocess.run(["pdftotext", "-layout", "-enc", "UTF-8", path, "-"], check=True,
                          capture_output=True).stdout.decode("utf-8")
    pages = text.split("\f")
    if pages and not pages[-1].strip():
        pages.pop()
    bbox = subprocess.run(["pdftotext", "-bbox", path, "-"], check=True, capture_output=True).stdout.decode("utf-8")
    return {"rows": [], "pages": pages, "bbox": bbox}


def main():
    fmt, path = sys.argv[1], sys.argv[2]
    if fmt == "xlsx":
        result = read_xlsx(path)
    elif fmt == "docx":
        result = read_docx(path)
    elif fmt == "rtf":
        result = read_rtf(path)
    elif fmt == "html":
        result = read_html(path)
    elif fmt == "csv":
        result = read_csv(path, sys.argv[3] if len(sys.argv) > 3 else ",")
    elif fmt == "txt":
        with open(path, encoding="utf-8", newline="") as f:
            lines = f.read().split("\r\n")
        if lines and lines[-1] == "":
            lines.pop()
        result = {"rows": [line.split("\t") for line in lines]}
    elif fmt == "pdf":
        result = read_pdf(path)
    else:
        raise SystemExit("unknown format " + fmt)
    json.dump(result, sys.stdout)


if __name__ == "__main__":
    main()
