// ostka-renumber: new controller ids for a network and its plan file, both together.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

/*!
 * Moves every controller id of a network by the same amount so that the lowest becomes
 * \a first (1 or more). Only the controller ids (the granules' "tl" and the plan file's
 * controller keys) change: every other byte of both files stays as it was.
 */
class ControllerRenumbering
{
public:
    explicit ControllerRenumbering(int first) : m_first(first) {}

    /*!
     * Works out the shift from \a network (an ".ostka" document) and renumbers it into
     * \a out. False with \a error when the document does not load, has no controller, or
     * an id would pass 2147483647.
     */
    bool renumberNetwork(const QByteArray &network, QByteArray *out, QString *error);
    /*!
     * Renumbers a plan file by the shift renumberNetwork() found. False with \a error when
     * the file does not read as a plan file or an id would leave 1 to 2147483647.
     */
    bool renumberPlans(const QByteArray &plans, QByteArray *out, QString *error) const;

    qint64 shift() const { return m_shift; }
    int lowest() const { return m_lowest; }   //!< the lowest controller id before
    int highest() const { return m_highest; } //!< the highest controller id before

private:
    int m_first;
    qint64 m_shift = 0;
    int m_lowest = 0, m_highest = 0;
};

struct RenumberRequest
{
    QString network;         // NAME.ostka
    QString plans;           // its plan file; empty: none
    QString outputBase;      // empty: rewrite the files in place, else OUTPUT.ostka (and .plans.json)
    int first = 1;
};

/*!
 * Renumbers the files of \a request and writes the results, all of them or none: on any
 * error (unreadable or invalid input, ids out of range, a file that cannot be written) no
 * file is created or changed, and \a error says why. \a written lists the files written.
 */
bool renumberFiles(const RenumberRequest &request, ControllerRenumbering *renumbering,
                   QStringList *written, QString *error);
