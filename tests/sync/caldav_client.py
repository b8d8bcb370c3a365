"""Another CalDAV client for the sync tests: Debian's python3-caldav, which no one here wrote.

caldav_client.py CALENDAR_URL USER PASSWORD COMMAND [ARGS]
  put FILE           stores the event of an iCalendar file (from another device)
  summary UID TEXT   gives the event a new summary and saves it (an edit on a phone)
  delete UID         removes the event
  show UID           prints the event's iCalendar text
  uids               prints the UID and summary of every event, a line each
"""
import sys

import caldav
import icalendar


def main():
    url, user, password, command, *args = sys.argv[1:]
    client = caldav.DAVClient(url=url, username=user or None, password=password or None)
    calendar = client.calendar(url=url)
    if command == "put":
        with open(args[0], encoding="utf-8") as f:
            calendar.save_event(f.read())
    elif command == "summary":
        event = calendar.event_by_uid(args[0])
        ical = icalendar.Calendar.from_ical(event.data)
        for component in ical.walk("VEVENT"):
            component["SUMMARY"] = args[1]
            component["SEQUENCE"] = int(component.get("SEQUENCE", 0)) + 1
        event.data = ical.to_ical().decode()
        event.save()
    elif command == "delete":
        calendar.event_by_uid(args[0]).delete()
    elif command == "show":
        sys.stdout.write(calendar.event_by_uid(args[0]).data)
    elif command == "uids":
        for event in calendar.events():
            ical = icalendar.Calendar.from_ical(event.data)
            for component in ical.walk("VEVENT"):
                if "RECURRENCE-ID" not in component:
                    print(f"{component['UID']}\t{component.get('SUMMARY', '')}")
    else:
        sys.exit(f"unknown command {command}")


if __name__ == "__main__":
    main()
