#!/usr/bin/python3
"""Prints the month grids of Python's calendar module for the calendar tests:
one line "year month startOfWeek d1 .. d42" per month of 1900 to 2100 and per
first weekday (0 = Sunday as the calendar control counts), the 42 cells of six
rows of seven days, 0 for an empty cell."""
import calendar

for year in range(1900, 2101):
    for month in range(1, 13):
        for start in range(7):
            # calendar counts weekdays from Monday = 0.
            weeks = calendar.Calendar((start + 6) % 7).monthdayscalendar(year, month)
            weeks += [[0] * 7] * (6 - len(weeks))
            cells = [d for week in weeks for d in week]
            print(year, month, start, ' '.join(map(str, cells)))
